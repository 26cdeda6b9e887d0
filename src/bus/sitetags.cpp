#include "bus/sitetags.h"

namespace kestrel::bus {

bool SiteTags::heard(quint8 reader, const device::TagAnswer& answer, const QDateTime& at) {
    if (!answer.identifier) return false;
    for (SiteTag& t : tags_) {
        if (t.identifier != *answer.identifier) continue;
        if (answer.serial) t.serial = answer.serial;
        // Another reader takes the tag over only when it hears it better (no level is the weakest).
        const bool better = t.reader == reader || !t.level || (answer.level && *answer.level > *t.level);
        if (better) {
            t.reader = reader;
            t.level = answer.level;
        }
        t.lastHeard = at;
        return true;
    }
    tags_.push_back({*answer.identifier, answer.serial, reader, answer.level, at});
    return true;
}

const SiteTag* SiteTags::tag(quint32 identifier) const {
    for (const SiteTag& t : tags_)
        if (t.identifier == identifier) return &t;
    return nullptr;
}

}  // namespace kestrel::bus
