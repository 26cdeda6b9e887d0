#pragma once
// Every tag a site's readers hear, one row per tag: its identifier and serial number, the reader that hears
// it best (the strongest reception level last heard), that level, and when it was last heard. Built from
// the readers' tag searches: a search answers with one tag at a time, each search the next one the reader
// hears, so a reader is searched until a tag comes round again.

#include <QDateTime>
#include <optional>
#include <vector>

#include "device/values.h"

namespace kestrel::bus {

struct SiteTag {
    quint32 identifier = 0;
    std::optional<quint32> serial;
    quint8 reader = 0;           // the reader that hears it best
    std::optional<qint8> level;  // its reception level there
    QDateTime lastHeard;
};

class SiteTags {
  public:
    // A search answer of the reader at `reader`, heard at `at`. False when it names no tag.
    bool heard(quint8 reader, const device::TagAnswer& answer, const QDateTime& at);
    // The tags in the order first heard.
    const std::vector<SiteTag>& tags() const { return tags_; }
    const SiteTag* tag(quint32 identifier) const;

  private:
    std::vector<SiteTag> tags_;
};

// The most searches one reader gets before its tags are taken as all heard.
inline constexpr int kMaxTagSearches = 16;

}  // namespace kestrel::bus
