#pragma once
// What commissioning from a plan leaves behind: the journal beside the plan (PLAN.journal.csv: a line per
// write, appended, never rewritten) and the report to hand over, as HTML that prints on A4 (one table, no
// scripts) or as CSV. The client and the bus overview write both the same way.

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "bus/plan.h"

namespace kestrel::bus {

// "PLAN.journal.csv" beside "PLAN.csv".
QString planJournalPath(const QString& planPath);
// Appends one line (time, address, serial, action, outcome) to the plan's journal, in the plan's separator,
// with the header first in a new journal. The reason it could not be written; empty when it was.
QString appendPlanJournal(const QString& planPath, char separator, quint8 address,
                          std::optional<quint32> serial, const QString& action, const QString& outcome);
// The journal's lines per address: "radio: written 2026-12-09T14:03:00+03:00". Nothing for no journal.
QMap<int, QStringList> readPlanJournal(const QString& planPath, char separator);

// "адрес 5 (Tank 5)", or "адрес 5" without a name: a planned reader as the lines name it.
QString planReaderName(quint8 address, const QString& name);
// What applying a row did, as the client's and the overview's lines say it: "записано radio; проверено", and
// that the reader found was taken for a row without a serial.
QString appliedText(const QStringList& written, bool verified, bool tookReader);
// A write left without a good answer (`why`), and the row's steps: those written, the one that may or may not
// have been (`unknown`) or was not, and those not sent.
QString writeStoppedText(const QString& why, const QStringList& written, bool unknown, const QString& step,
                         const QStringList& notSent);

// "network 1000, по плану 1001; tags …": the differences as one text.
QString differencesText(const std::vector<PlanDifference>& differences);

struct PlanReport {
    Plan plan;
    std::vector<PlanFinding> findings;
    std::vector<ReaderSeen> seen;
    QMap<int, QStringList> journal;
    QString site;  // the plan's name
    QDateTime at;
    QString tool;  // "kestrel-cli 0.2.0"
};

enum class ReportFormat { Html, Csv };
// By the file's extension: .html or .htm, .csv; nothing for another.
std::optional<ReportFormat> reportFormatOf(const QString& path);
QByteArray planReportText(const PlanReport& report, ReportFormat format);

}  // namespace kestrel::bus
