#include "Rechain.h"

#include <vector>

#include "casefile/CustodyLog.h"
#include "casefile/Database.h"

void rechain(const std::string& path, int64_t from) {
    const Database db(path, Database::Mode::ReadWrite, 1000);
    std::vector<CustodyEvent> events;
    forEachEvent(db, [&](const CustodyEvent& event) { events.push_back(event); });
    std::string previous = kNoPreviousEvent;
    for (CustodyEvent& event : events) {
        if (event.seq >= from) {
            event.prev = previous;
            event.hash = eventHash(event);
            Statement update = db.prepare("UPDATE events SET prev = ?, hash = ? WHERE seq = ?");
            update.bind(1, event.prev).bind(2, event.hash).bind(3, event.seq).run();
        }
        previous = event.hash;
    }
}
