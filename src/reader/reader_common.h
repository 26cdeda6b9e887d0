#pragma once
// Texts the reader commands share.

#include <QString>

#include "ui/feature.h"

namespace kestrel {

inline const QString kMsgError = QStringLiteral("error");

}  // namespace kestrel
