#!/usr/bin/env python3
"""Checks case files of telvar-verify with the Python standard library
alone: the custody log's chain, every seal, and every row the log vouches
for (docs/case-file.md, "Checking a case by hand").

    check-case.py CASE.telvarcase [--expect-head N:SHA256]
    check-case.py CASE.telvarcase CASE2.telvarcase ...

Exit 0: each intact and sealed up to its newest event; 1: one is not (the
reason is printed, after the file's name when there are several); 2: a file
cannot be read.
"""
import hashlib
import json
import re
import sqlite3
import sys

ZERO = "0" * 64


def text(value):
    if value is None:
        return None
    if isinstance(value, bytes):
        return value.decode("utf-8", "replace")
    return str(value)


def canonical(row):
    seq, kind, at, examiner, host, program, version, build, recording, path, sha256, record, detail, prev = row
    body = {
        "at": text(at), "build": text(build), "detail": text(detail), "examiner": text(examiner),
        "host": text(host), "kind": text(kind), "path": (path or b"").hex().upper(),
        "prev": text(prev), "program": text(program), "record": text(record),
        "recording": recording, "seq": seq, "sha256": text(sha256), "version": text(version),
    }
    return json.dumps(body, ensure_ascii=False, separators=(",", ":")).encode("utf-8")


# Ed25519 verification (RFC 8032, section 5.1.7) in plain Python integers:
# a seal is checked without any library beyond the standard one.
P = 2 ** 255 - 19
L = 2 ** 252 + 27742317777372353535851937790883648493
D = -121665 * pow(121666, P - 2, P) % P
SQRT_M1 = pow(2, (P - 1) // 4, P)


def point_add(a, b):
    x1, y1, z1, t1 = a
    x2, y2, z2, t2 = b
    pa, pb = (y1 - x1) * (y2 - x2) % P, (y1 + x1) * (y2 + x2) % P
    pc, pd = 2 * t1 * t2 * D % P, 2 * z1 * z2 % P
    e, f, g, h = pb - pa, pd - pc, pd + pc, pb + pa
    return (e * f % P, g * h % P, f * g % P, e * h % P)


def point_times(scalar, point):
    result = (0, 1, 1, 0)
    while scalar > 0:
        if scalar & 1:
            result = point_add(result, point)
        point = point_add(point, point)
        scalar >>= 1
    return result


def point_equal(a, b):
    return (a[0] * b[2] - b[0] * a[2]) % P == 0 and (a[1] * b[2] - b[1] * a[2]) % P == 0


def x_of(y, sign):
    xx = (y * y - 1) * pow(D * y * y + 1, P - 2, P) % P
    x = pow(xx, (P + 3) // 8, P)
    if (x * x - xx) % P != 0:
        x = x * SQRT_M1 % P
    if (x * x - xx) % P != 0 or (x == 0 and sign):
        return None
    return P - x if (x & 1) != sign else x


def point_decode(data):
    y = int.from_bytes(data, "little")
    sign, y = y >> 255, y & ((1 << 255) - 1)
    x = x_of(y, sign) if y < P else None
    return None if x is None else (x, y, 1, x * y % P)


BASE_Y = 4 * pow(5, P - 2, P) % P
BASE = (x_of(BASE_Y, 0), BASE_Y, 1, x_of(BASE_Y, 0) * BASE_Y % P)


def lower_hex(text):
    """The bytes of lower-case hex digits, as the case keeps keys and
    signatures; bytes.fromhex alone would also take capitals and spaces."""
    if not isinstance(text, str) or re.fullmatch("(?:[0-9a-f]{2})*", text) is None:
        raise ValueError("not lower-case hex")
    return bytes.fromhex(text)


def verify_seal(public_hex, message, signature_hex):
    try:
        public, signature = lower_hex(public_hex), lower_hex(signature_hex)
    except ValueError:
        return False
    if len(public) != 32 or len(signature) != 64:
        return False
    a, r = point_decode(public), point_decode(signature[:32])
    s = int.from_bytes(signature[32:], "little")
    if a is None or r is None or s >= L:
        return False
    h = int.from_bytes(hashlib.sha512(signature[:32] + public + message).digest(), "little") % L
    return point_equal(point_times(s, BASE), point_add(r, point_times(h, a)))


# From schema 3 on, the first addition also names the place relative to the case.
PLACE = (" || CASE WHEN r.relative_path IS NULL THEN '' ELSE '; relative path (hex) ' || "
         "hex(r.relative_path) END")

# Rows that disagree with the events vouching for them: (event, problem).
# "{place}" stands for PLACE where the case keeps relative places.
ROW_CHECKS = [
    ("SELECT v.event FROM verifications v LEFT JOIN events e ON e.seq = v.event "
     "AND e.kind IN ('verified', 'verified-again') AND e.recording IS v.recording "
     "AND e.sha256 IS v.sha256 AND (e.detail = 'code ' || v.code || '; fixity ' || v.fixity "
     "|| '; verified ' || v.verified_at OR e.detail = 'code ' || v.code || '; fixity ' || v.fixity) "
     "WHERE e.seq IS NULL", "the verification is not the one the log recorded"),
    ("SELECT n.event FROM notes n LEFT JOIN events e ON e.seq = n.event AND e.kind = 'note-added' "
     "AND e.recording IS n.recording AND e.at = n.written_at WHERE e.seq IS NULL",
     "the note is not the one the log recorded"),
    ("SELECT x.event FROM exports x LEFT JOIN events e ON e.seq = x.event AND e.kind = 'exported' "
     "AND e.path = x.path AND e.sha256 IS x.sha256 AND e.detail = x.format "
     "AND e.at = x.exported_at WHERE e.seq IS NULL", "the export is not the one the log recorded"),
    ("SELECT r.added_event FROM recordings r LEFT JOIN events e ON e.seq = r.added_event "
     "AND e.kind IN ('recording-added', 'recording-found') AND e.recording = r.id "
     "AND e.path = r.path AND e.sha256 IS r.intake_sha256 WHERE e.seq IS NULL OR r.added_event "
     "IS NOT (SELECT max(seq) FROM events f WHERE f.recording = r.id AND f.kind IN "
     "('recording-added', 'recording-found'))",
     "the recording's path or intake SHA-256 is not the one the log recorded"),
    ("SELECT e.seq FROM recordings r JOIN events e ON e.seq = (SELECT min(seq) FROM events f "
     "WHERE f.recording = r.id AND f.kind = 'recording-added') WHERE r.added_at IS NOT e.at OR "
     "(e.detail <> '' AND e.detail IS NOT (CASE WHEN r.size IS NULL THEN 'size not taken' "
     "ELSE 'size ' || r.size || ' bytes' END || '; ' || CASE WHEN r.modified IS NULL THEN "
     "'modification time not taken' ELSE 'modified ' || r.modified END{place}))",
     "the recording's time of addition, size, modification time or relative place is not the "
     "one the log recorded"),
    ("SELECT x.event FROM exports x WHERE x.id IS NOT (SELECT count(*) FROM exports y "
     "WHERE y.event <= x.event)", "the export's number is out of order"),
    ("SELECT n.event FROM notes n WHERE n.id IS NOT (SELECT count(*) FROM notes y "
     "WHERE y.event <= n.event)", "the note's number is out of order"),
    ("SELECT coalesce(v.event, 0) FROM evidence x LEFT JOIN verifications v ON v.id = "
     "x.verification WHERE v.id IS NULL", "evidence is stored that no verification owns"),
    ("SELECT seq FROM events WHERE (kind IN ('verified', 'verified-again') AND seq NOT IN "
     "(SELECT event FROM verifications)) OR (kind = 'note-added' AND seq NOT IN "
     "(SELECT event FROM notes)) OR (kind = 'exported' AND seq NOT IN (SELECT event FROM exports)) "
     "OR (kind IN ('recording-added', 'recording-found') AND recording NOT IN "
     "(SELECT id FROM recordings))",
     "the row this event vouches for is gone"),
    ("SELECT coalesce(v.event, r.added_event) FROM recordings r LEFT JOIN verifications v "
     "ON v.id = r.latest_verification WHERE r.latest_verification IS NOT (SELECT id FROM "
     "verifications w WHERE w.recording = r.id ORDER BY w.event DESC LIMIT 1) "
     "OR r.latest_code IS NOT v.code OR r.latest_fixity IS NOT v.fixity "
     "OR r.latest_at IS NOT v.verified_at OR r.removed IS NOT (coalesce((SELECT max(seq) "
     "FROM events e WHERE e.recording = r.id AND e.kind = 'recording-removed'), 0) > "
     "(SELECT max(seq) FROM events e WHERE e.recording = r.id AND e.kind = 'recording-added'))",
     "the recording's latest verdict or place on the list is not the one the log recorded"),
    ("SELECT 1 FROM case_info c LEFT JOIN events e ON e.seq = 1 AND e.detail = c.reference "
     "AND e.at = c.created_at WHERE e.seq IS NULL",
     "the case reference or its time of creation is not the one the log recorded"),
    ("SELECT coalesce((SELECT min(seq) FROM events e WHERE e.examiner = x.name), 1) FROM "
     "examiners x WHERE x.first_seen IS NOT (SELECT at FROM events e WHERE e.examiner = x.name "
     "ORDER BY seq LIMIT 1)", "an examiner's name or first appearance is not the one the log recorded"),
    ("SELECT min(seq) FROM events WHERE examiner NOT IN (SELECT name FROM examiners) "
     "GROUP BY examiner", "the examiner of this event is missing from the examiners"),
]
SEAL_ROW_CHECKS = [
    ("SELECT coalesce(k.event, 1) FROM examiner_keys k LEFT JOIN events e ON e.seq = k.event "
     "AND e.kind = 'examiner-key' AND e.examiner = k.examiner AND e.record = k.fingerprint "
     "WHERE e.seq IS NULL", "the examiner's key row is not the one the log recorded"),
    ("SELECT seq FROM events WHERE kind = 'examiner-key' AND seq NOT IN "
     "(SELECT event FROM examiner_keys)", "the row this event vouches for is gone"),
    ("SELECT s.event FROM seals s LEFT JOIN events e ON e.seq = s.event AND e.kind = 'sealed' "
     "WHERE e.seq IS NULL", "a signature is stored for an event that is no seal"),
]


def check(path, expect_head):
    db = sqlite3.connect("file:" + path + "?mode=ro", uri=True)
    db.text_factory = bytes
    version = db.execute("PRAGMA user_version").fetchone()[0]
    with_seals = version >= 2
    place = PLACE if version >= 3 else ""
    signatures = dict(db.execute("SELECT event, signature FROM seals")) if with_seals else {}
    keys, owners, seals, hashes = {}, set(), [], {}
    previous, count = ZERO, 0
    for row in db.execute(
            "SELECT seq, kind, at, examiner, host, program, version, build, recording, path, "
            "sha256, record, detail, prev, hash FROM events ORDER BY seq"):
        seq, kind, examiner, record, detail = row[0], text(row[1]), text(row[3]), text(row[11]), text(row[12])
        count += 1
        if seq != count:
            return "event %d is missing or out of order (found %s)" % (count, seq), count
        if text(row[13]) != previous:
            return "event %d does not follow event %d" % (seq, seq - 1), count
        digest = hashlib.sha256(canonical(row[:14])).hexdigest()
        if digest != text(row[14]):
            return "event %d was changed: its fields hash to %s" % (seq, digest), count
        if seq == 1 and kind != "case-created":
            return "event 1 is not the creation of the case", count
        if kind == "examiner-key":
            public = (detail or "")[len("ed25519 "):]
            try:
                fingerprint = hashlib.sha256(lower_hex(public)).hexdigest()
            except ValueError:
                fingerprint = None
            if not (detail or "").startswith("ed25519 ") or len(public) != 64 or fingerprint != record:
                return "event %d names no Ed25519 key with its fingerprint" % seq, count
            keys[record] = public
            owners.add((examiner, record))
        elif kind == "sealed":
            signature = text(signatures.get(seq))
            if (examiner, record) not in owners or signature is None or not verify_seal(
                    keys[record], digest.encode("ascii"), signature):
                return "event %d is a seal that does not verify" % seq, count
            seals.append((seq, examiner, record))
        hashes[seq] = digest
        previous = digest
    # The evidence and notes hash to the `record` of their events.
    for event, body, record in db.execute(
            "SELECT v.event, x.json, e.record FROM verifications v LEFT JOIN evidence x ON "
            "x.verification = v.id LEFT JOIN events e ON e.seq = v.event"):
        if body is None or record is None or hashlib.sha256(body).hexdigest() != text(record):
            return "event %d: the evidence is not the one the log recorded" % event, count
    for event, body, record in db.execute(
            "SELECT n.event, n.text, e.record FROM notes n LEFT JOIN events e ON e.seq = n.event"):
        if record is None or hashlib.sha256(body).hexdigest() != text(record):
            return "event %d: the note is not the one the log recorded" % event, count
    for sql, problem in ROW_CHECKS + (SEAL_ROW_CHECKS if with_seals else []):
        found = db.execute(sql.replace("{place}", place)).fetchone()
        if found is not None:
            return "event %s: %s" % (found[0], problem), count
    print("%d events; SHA-256 of the newest %s" % (count, previous))
    for seq, examiner, fingerprint in seals:
        print("sealed at event %d by %s (key SHA-256 %s)" % (seq, examiner, fingerprint))
    problem = None
    if not seals or seals[-1][0] != count:
        problem = "events %d-%d are not sealed" % ((seals[-1][0] if seals else 0) + 1, count)
    if expect_head:
        number, _, prefix = expect_head.partition(":")
        prefix = prefix.lower()
        if len(prefix) < 16 or not number.isdigit():
            return "the head to expect must be N:SHA256 with at least 16 hex digits", count
        if not hashes.get(int(number), "").startswith(prefix):
            return "the head %s is not in the log" % expect_head, count
        print("the head %s is in the log" % expect_head)
    return problem, count


def main():
    arguments = sys.argv[1:]
    expect = None
    if len(arguments) == 3 and arguments[1] == "--expect-head":
        expect = arguments[2]
        arguments = arguments[:1]
    if not arguments or any(a.startswith("--") for a in arguments):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    status = 0
    for path in arguments:
        name = path + ": " if len(arguments) > 1 else ""
        try:
            problem, _ = check(path, expect)
        except sqlite3.Error as error:
            print("check-case: %s: %s" % (path, error), file=sys.stderr)
            return 2
        if problem:
            print(name + "NOT INTACT: " + problem)
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main())
