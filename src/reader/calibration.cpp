#include "reader/calibration.h"

#include <QPushButton>

#include "protocol/crc.h"

namespace kestrel {

Calibration::Calibration(FeatureContext& ctx) : ctx_(ctx) {
    connect(ctx_.get<QPushButton>(QStringLiteral("hig")), &QPushButton::clicked, this, &Calibration::hig_Click);
    connect(ctx_.get<QPushButton>(QStringLiteral("low")), &QPushButton::clicked, this, &Calibration::low_Click);
    ctx_.cycle.registerDecoder(kCmdCalibrateUpper, [this](const Reply&) {
        ctx_.setStatus(QStringLiteral(" Установлен верхний уровень."));
    });
    ctx_.cycle.registerDecoder(kCmdCalibrateLower, [this](const Reply&) {
        ctx_.setStatus(QStringLiteral(" Установлен нижний уровень."));
    });
}

void Calibration::hig_Click() {
    calibrate(QStringLiteral(
                  "Сейчас будет произведена перекалибровка верхнего уровня. Вы уверены что это нужно?"),
              kCmdCalibrateUpper);
}

void Calibration::low_Click() {
    calibrate(QStringLiteral(
                  "Сейчас будет произведена перекалибровка нижнего уровня. Вы уверены что это нужно?"),
              kCmdCalibrateLower);
}

void Calibration::calibrate(const QString& question, quint8 command) {
    const auto address = ctx_.address();
    if (!address) return;  // no listed address: the click is ignored, no question is asked
    if (ctx_.dialogs.askYesNo(question)) ctx_.state().wrs = form_zaprosa(*address, command);
}

}  // namespace kestrel
