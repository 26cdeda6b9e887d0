#include "traffic/statistics.h"

#include "protocol/translation.h"

namespace kestrel::traffic {

std::optional<double> LinkCounts::successPercent() const {
    if (requests == 0) return std::nullopt;
    return 100.0 * decoded / requests;
}

std::optional<qint64> LinkCounts::minReplyMs() const {
    if (replyTimes.empty()) return std::nullopt;
    return replyTimes.begin()->first;
}

std::optional<qint64> LinkCounts::maxReplyMs() const {
    if (replyTimes.empty()) return std::nullopt;
    return replyTimes.rbegin()->first;
}

std::optional<qint64> LinkCounts::medianReplyMs() const {
    int total = 0;
    for (const auto& [ms, n] : replyTimes) total += n;
    if (total == 0) return std::nullopt;
    int seen = 0;
    for (const auto& [ms, n] : replyTimes) {
        seen += n;
        if (2 * seen >= total) return ms;
    }
    return std::nullopt;
}

void LinkStatistics::add(const Record& r) {
    if (r.event) return;
    LinkCounts& c = byAddress_[r.address];
    if (!r.request.isEmpty()) ++c.requests;
    if (r.echoRemoved) ++c.echoRemoved;
    switch (r.outcome) {
        case Outcome::Decoded:
            ++c.decoded;
            break;
        case Outcome::NoReply:
            ++c.noReply;
            break;
        case Outcome::WrongCheckByte:
            ++c.wrongCheckByte;
            break;
        case Outcome::Unframed:
        case Outcome::TooLong:
            ++c.garbage;
            break;
        case Outcome::OtherAddress:
        case Outcome::UnknownCode:
        case Outcome::OtherCode:
            ++c.other;
            break;
    }
    if (r.replyMs) ++c.replyTimes[*r.replyMs];
}

QStringList LinkStatisticsModel::cells(int address, const LinkCounts& c) {
    const auto number = [](const auto& v) { return v ? QString::number(*v) : QStringLiteral("-"); };
    const auto success = c.successPercent();
    return {address == kNoAddress ? QStringLiteral("-") : QString::number(address),
            QString::number(c.requests),
            QString::number(c.decoded),
            QString::number(c.noReply),
            QString::number(c.wrongCheckByte),
            QString::number(c.garbage),
            QString::number(c.other),
            success ? QString::number(*success, 'f', 1) : QStringLiteral("-"),
            number(c.minReplyMs()),
            number(c.medianReplyMs()),
            number(c.maxReplyMs()),
            QString::number(c.echoRemoved)};
}

void LinkStatisticsModel::show(const LinkStatistics& statistics) {
    std::vector<QStringList> rows;
    for (const auto& [address, counts] : statistics.byAddress()) rows.push_back(cells(address, counts));
    if (rows.size() != rows_.size()) {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
        return;
    }
    rows_ = std::move(rows);
    if (!rows_.empty()) emit dataChanged(index(0, 0), index(int(rows_.size()) - 1, ColumnCount - 1));
}

int LinkStatisticsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int LinkStatisticsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LinkStatisticsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    if (role == Qt::DisplayRole) return rows_[std::size_t(index.row())][index.column()];
    if (role == Qt::TextAlignmentRole)
        return int(index.column() == Address ? Qt::AlignLeft | Qt::AlignVCenter
                                             : Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant LinkStatisticsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const titles[] = {
        QT_TRANSLATE_NOOP("Texts", "Адрес"),      QT_TRANSLATE_NOOP("Texts", "Запросов"),
        QT_TRANSLATE_NOOP("Texts", "Ответов"),    QT_TRANSLATE_NOOP("Texts", "Нет ответа"),
        QT_TRANSLATE_NOOP("Texts", "Ошибка CRC"), QT_TRANSLATE_NOOP("Texts", "Мусор"),
        QT_TRANSLATE_NOOP("Texts", "Прочие"),     QT_TRANSLATE_NOOP("Texts", "Успех, %"),
        QT_TRANSLATE_NOOP("Texts", "мс мин"),     QT_TRANSLATE_NOOP("Texts", "мс медиана"),
        QT_TRANSLATE_NOOP("Texts", "мс макс"),    QT_TRANSLATE_NOOP("Texts", "Эхо убрано")};
    return Texts::tr(titles[section]);
}

}  // namespace kestrel::traffic
