#pragma once
// Level calibration: the full mark (button `hig`) and the empty mark (button `low`), each confirmed by
// the user, and their acknowledgements.

#include <QObject>

#include "ui/feature.h"

namespace kestrel {

inline constexpr quint8 kCmdCalibrateUpper = 0xF5;
inline constexpr quint8 kCmdCalibrateLower = 0xFA;

class Calibration : public QObject {
    Q_OBJECT
public:
    explicit Calibration(FeatureContext& ctx);
    void hig_Click();
    void low_Click();

private:
    void calibrate(const QString& question, quint8 command);
    FeatureContext& ctx_;
};

}  // namespace kestrel
