#!/usr/bin/env python3
"""Whether two case files hold the same latest results: per recording path,
the verdict, the SHA-256 and the findings (times and hosts aside), and each
verification stored once. Exit 0 when they do, 1 (with the differences) when not."""
import json
import sqlite3
import sys


def results(path):
    db = sqlite3.connect(f"file:{path}?mode=ro", uri=True)
    rows = db.execute(
        "SELECT r.path, v.code, v.sha256, v.fixity, e.json, "
        "(SELECT count(*) FROM verifications w WHERE w.recording = r.id) "
        "FROM recordings r JOIN verifications v ON v.id = r.latest_verification "
        "JOIN evidence e ON e.verification = v.id").fetchall()
    out = {}
    for path, code, sha, fixity, text, count in rows:
        evidence = json.loads(text)
        findings = [(f.get("code"), f.get("text"), f.get("firstCluster"), f.get("lastCluster"))
                    for f in evidence.get("findings", [])]
        out[bytes(path)] = (code, sha, fixity, evidence.get("code"), evidence.get("sha256"),
                            evidence.get("errorText"), findings, count)
    return out


def main():
    a, b = results(sys.argv[1]), results(sys.argv[2])
    bad = [p for p in sorted(set(a) | set(b)) if a.get(p) != b.get(p)]
    for p in bad:
        print(p.decode(errors="replace"), a.get(p), b.get(p), sep="\n  ")
    print(f"{len(a)} and {len(b)} recordings, {len(bad)} differ")
    return 1 if bad or not a else 0


sys.exit(main())
