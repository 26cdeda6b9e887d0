#include "session/linksettings.h"

namespace kestrel {

QString directionLineKey(DirectionLine line) {
    return line == DirectionLine::None ? QStringLiteral("none") : directionLineName(line).toLower();
}

std::optional<DirectionLine> directionLineFromKey(const QString& key) {
    for (DirectionLine line : {DirectionLine::None, DirectionLine::Rts, DirectionLine::Dtr})
        if (key == directionLineKey(line)) return line;
    return std::nullopt;
}

}  // namespace kestrel
