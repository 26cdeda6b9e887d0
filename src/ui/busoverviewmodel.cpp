#include "ui/busoverviewmodel.h"

#include <QPalette>

#include "bus/planreport.h"
#include "device/readermode.h"
#include "protocol/translation.h"

namespace kestrel {

using bus::ReaderRow;
using bus::ReaderState;

namespace {

// The mode's name as the reader tab's option calls it; the mode byte itself when no reader uses it.
QString modeText(quint8 modeByte) {
    const auto mode = device::modeOf(modeByte);
    if (!mode) return QString::number(modeByte);
    switch (*mode) {
        case device::ReaderMode::Reader:
            return Texts::tr("Считыватель");
        case device::ReaderMode::Indicator:
            return Texts::tr("Считыватель-индикатор");
        case device::ReaderMode::PoweredTag:
            return Texts::tr("Метка  с питанием");
        case device::ReaderMode::Bridge:
            return Texts::tr("Мост");
        case device::ReaderMode::Repeater:
            return Texts::tr("Повторитель");
    }
    return QString::number(modeByte);
}

// "45 с", "12 мин 5 с", "2 ч 3 мин": an age for a glance, whole seconds.
QString ageText(qint64 ms) {
    const qint64 s = std::max<qint64>(0, ms) / 1000;
    if (s < 60) return Texts::tr("%1 с").arg(s);
    if (s < 3600) return Texts::tr("%1 мин %2 с").arg(s / 60).arg(s % 60);
    return Texts::tr("%1 ч %2 мин").arg(s / 3600).arg(s % 3600 / 60);
}

template <typename T>
QString numberText(const std::optional<T>& v) {
    return v ? QString::number(*v) : QString();
}

const std::optional<device::LiveReading::Settings>& settingsOf(const ReaderRow& r) {
    // The settings read with the settings round, else those a long current-parameters reply carried.
    static const std::optional<device::LiveReading::Settings> none;
    if (r.settings) return r.settings;
    return r.live ? r.live->settings : none;
}

bool isLiveColumn(int column) {
    return column >= BusOverviewModel::Level && column <= BusOverviewModel::Current;
}
bool isValueColumn(int column) {
    return column >= BusOverviewModel::DeviceType && column <= BusOverviewModel::Current;
}

}  // namespace

QString readerStateText(ReaderState state) {
    switch (state) {
        case ReaderState::Unknown:
            return Texts::tr("не опрошен");
        case ReaderState::Answering:
            return Texts::tr("отвечает");
        case ReaderState::NoReply:
            return Texts::tr("нет ответа");
        case ReaderState::CheckErrors:
            return Texts::tr("ошибки контрольного байта");
    }
    return {};
}

QString planStateText(bus::PlanState state) {
    switch (state) {
        case bus::PlanState::Ok:
            return Texts::tr("как в плане");
        case bus::PlanState::Missing:
            return Texts::tr("нет ответа");
        case bus::PlanState::OtherSerial:
            return Texts::tr("другой серийный номер");
        case bus::PlanState::Differs:
            return Texts::tr("отличается от плана");
        case bus::PlanState::DuplicateSerial:
            return Texts::tr("серийный номер повторяется");
        case bus::PlanState::Extra:
            return Texts::tr("нет в плане");
    }
    return {};
}

QColor readerStateColour(ReaderState state) {
    // The traffic log's colours of the same outcomes: a good reply, no reply, a wrong check byte.
    switch (state) {
        case ReaderState::Unknown:
            return QColor(0xF4, 0xF4, 0xF4);
        case ReaderState::Answering:
            return QColor(0xDF, 0xF5, 0xDF);
        case ReaderState::NoReply:
            return QColor(0xE4, 0xE4, 0xE4);
        case ReaderState::CheckErrors:
            return QColor(0xF8, 0xCC, 0xCC);
    }
    return {};
}

QStringList BusOverviewModel::headers() {
    return {
        Texts::tr("Адрес"),        Texts::tr("Тип"),       Texts::tr("Сер. Номер"), Texts::tr("Версия ПО"),
        Texts::tr("Режим"),        Texts::tr("Сеть"),      Texts::tr("Канал"),      Texts::tr("Мощность"),
        Texts::tr("Уровень"),      Texts::tr("Темп-ра"),   Texts::tr("Текущий"),    Texts::tr("Успех, %"),
        Texts::tr("После ответа"), Texts::tr("Состояние"), Texts::tr("Имя"),        Texts::tr("План")};
}

bool BusOverviewModel::setRows(const std::vector<ReaderRow>& rows, const QDateTime& now) {
    now_ = now;
    const bool sameReaders =
        rows.size() == rows_.size() &&
        std::equal(rows.begin(), rows.end(), rows_.begin(),
                   [](const ReaderRow& a, const ReaderRow& b) { return a.address == b.address; });
    if (!sameReaders) {
        beginResetModel();
        rows_ = rows;
        endResetModel();
        return true;
    }
    rows_ = rows;
    if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    return false;
}

void BusOverviewModel::setPlanFindings(const std::vector<bus::PlanFinding>& findings) {
    findings_.clear();
    for (const bus::PlanFinding& f : findings) findings_[f.address] = f;
    if (!rows_.empty()) emit dataChanged(index(0, Name), index(rowCount() - 1, Plan));
}

const bus::PlanFinding* BusOverviewModel::findingOf(quint8 address) const {
    const auto f = findings_.find(address);
    return f == findings_.end() ? nullptr : &f->second;
}

int BusOverviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int BusOverviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString BusOverviewModel::text(const ReaderRow& r, int column) const {
    const auto& identity = r.identity;
    const auto& live = r.live;
    const auto& settings = settingsOf(r);
    switch (column) {
        case Address:
            return QString::number(r.address);
        case DeviceType:
            return identity ? numberText(identity->deviceType) : QString();
        case Serial:
            return identity ? numberText(identity->serial) : QString();
        case Firmware:
            return identity ? identity->firmwareText() : QString();
        case Mode:
            return settings && settings->mode ? modeText(*settings->mode) : QString();
        case Network:
            return settings ? numberText(settings->network) : QString();
        case Channel:
            return settings ? numberText(settings->channel) : QString();
        case Power:
            return settings ? numberText(settings->power) : QString();
        case Level:
            return live ? numberText(live->level) : QString();
        case Temperature:
            return live && live->temperature() ? QString::number(*live->temperature()) + QStringLiteral(" °C")
                                               : QString();
        case Current:
            return live ? numberText(live->current) : QString();
        case SuccessRate:
            return r.requests > 0 ? QString::number(r.successPercent()) : QString();
        case SinceReply:
            return r.lastGoodAt.isValid() ? ageText(r.lastGoodAt.msecsTo(now_)) : QString();
        case State:
            return readerStateText(r.state);
        case Name:
            return findingOf(r.address) ? findingOf(r.address)->name : QString();
        case Plan:
            return findingOf(r.address) ? planStateText(findingOf(r.address)->state) : QString();
    }
    return {};
}

QVariant BusOverviewModel::sortKey(const ReaderRow& r, int column) const {
    auto number = [](const auto& v) { return v ? QVariant(qlonglong(*v)) : QVariant(); };
    const auto& settings = settingsOf(r);
    switch (column) {
        case Address:
            return qlonglong(r.address);
        case DeviceType:
            return r.identity ? number(r.identity->deviceType) : QVariant();
        case Serial:
            return r.identity ? number(r.identity->serial) : QVariant();
        case Mode:
            return settings ? number(settings->mode) : QVariant();
        case Network:
            return settings ? number(settings->network) : QVariant();
        case Channel:
            return settings ? number(settings->channel) : QVariant();
        case Power:
            return settings ? number(settings->power) : QVariant();
        case Level:
            return r.live ? number(r.live->level) : QVariant();
        case Temperature:
            return r.live ? number(r.live->temperature()) : QVariant();
        case Current:
            return r.live ? number(r.live->current) : QVariant();
        case SuccessRate:
            return r.requests > 0 ? QVariant(r.successRate()) : QVariant();
        case SinceReply:
            return r.lastGoodAt.isValid() ? QVariant(qlonglong(r.lastGoodAt.msecsTo(now_))) : QVariant();
        case State:
            return int(r.state);
        default: {
            const QString t = text(r, column);
            return t.isEmpty() ? QVariant() : QVariant(t);
        }
    }
}

bool BusOverviewModel::aged(const ReaderRow& r, int column) const {
    return r.state == ReaderState::NoReply && isValueColumn(column) && !text(r, column).isEmpty();
}

QString BusOverviewModel::tooltip(const ReaderRow& r, int column) const {
    QStringList lines;
    if (r.duplicateSerial && (column == Serial || column == Address))
        lines << Texts::tr("Этот серийный номер сообщает и другой считыватель на шине.");
    if (aged(r, column)) {
        if (isLiveColumn(column) && r.liveAt.isValid())
            lines << Texts::tr("Считыватель не отвечает; значение прочитано %1 назад.")
                         .arg(ageText(r.liveAt.msecsTo(now_)));
        else
            lines << Texts::tr("Считыватель не отвечает; значение прочитано раньше.");
    }
    if (const bus::PlanFinding* f = findingOf(r.address); f && column == Plan) {
        if (f->state == bus::PlanState::OtherSerial)
            lines << Texts::tr("По плану серийный номер %1, найден %2.")
                         .arg(f->plannedSerial ? QString::number(*f->plannedSerial) : QString())
                         .arg(f->foundSerial ? QString::number(*f->foundSerial) : QString());
        if (!f->differences.empty()) lines << bus::differencesText(f->differences);
    }
    if (column == State && r.requests > 0)
        lines << Texts::tr(
                     "Запросов: %1, ответов: %2, без ответа: %3, ошибок контрольного байта: %4, "
                     "ответов не на свой запрос: %5")
                     .arg(r.requests)
                     .arg(r.good)
                     .arg(r.noReply)
                     .arg(r.badCheck)
                     .arg(r.misdirected);
    return lines.join(QLatin1Char('\n'));
}

QVariant BusOverviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount) return {};
    const ReaderRow& r = rows_[std::size_t(index.row())];
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole: {
            QString t = text(r, column);
            // A duplicate serial number is marked where it stands.
            if (column == Serial && r.duplicateSerial && !t.isEmpty()) t = QStringLiteral("⚠ ") + t;
            return t;
        }
        case Qt::ToolTipRole: {
            const QString t = tooltip(r, column);
            return t.isEmpty() ? QVariant() : QVariant(t);
        }
        case Qt::BackgroundRole:
            return readerStateColour(r.state);
        case Qt::ForegroundRole:
            if (aged(r, column)) return QPalette().color(QPalette::Disabled, QPalette::Text);
            return {};
        case Qt::TextAlignmentRole:
            if (column == Address || (column >= Network && column <= SuccessRate))
                return int(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        case SortRole:
            return sortKey(r, column);
        case AddressRole:
            return QVariant::fromValue(r.address);
        default:
            return {};
    }
}

QVariant BusOverviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return headers().at(section);
}

}  // namespace kestrel
