#pragma once
// What kestrel-cli prints: one result per command, as readable Russian text or, with --json, as one
// JSON object per line with stable English keys; failures go to standard error (and, with --json, also
// as an object with "ok": false, so a script reading standard output sees every command).

#include <QJsonObject>
#include <QString>
#include <QTextStream>

#include "device/values.h"

namespace kestrel::cli {

// The fields of a decoded value under stable English keys.
QJsonObject valueJson(const device::DeviceValue& value);

class Output {
  public:
    Output(QTextStream& out, QTextStream& err, bool json) : out_(out), err_(err), json_(json) {}
    void setJson(bool json) { json_ = json; }
    bool json() const { return json_; }

    // A result: `text` for people, `fields` (with "command" and "ok": true added) for scripts.
    void result(const QString& command, const QString& text, QJsonObject fields);
    // A message about line `line` of the batch file `file`, as people read it.
    static QString atBatchLine(const QString& file, int line, const QString& message);
    // While a batch runs a line, its failures name the file and the line (and carry "line" in JSON).
    void setBatchLine(const QString& file, int line) {
        batchFile_ = file;
        batchLine_ = line;
    }
    // A failure of `command`: the message on standard error, and as an object with --json (with the
    // fields of `extra` besides "command", "ok": false, "error" and "exitCode").
    void failure(const QString& command, const QString& message, int exitCode, const QJsonObject& extra = {});
    // While watching, each failure line starts with its time of day (and carries "time" in JSON).
    void setFailureTimes(bool on) { failureTimes_ = on; }
    // Standard output could not be written (a full disk, /dev/full, a closed pipe): what went wrong, in
    // the user's language; empty while every write went through.
    QString outputFailure() const { return outputFailure_; }
    // Standard output is a pipe whose reader has gone (`| head`): the normal end of a Unix pipeline, which
    // the run ends without a message.
    bool outputClosed() const { return outputClosed_; }
    // The document goes to standard output alone: results and notes go to standard error (backup-site -).
    void keepOutputForDocument() { resultsOnError_ = true; }
    // A line for people only (progress, summaries), on standard error with --json.
    void note(const QString& text);
    // A document that is the result itself (a backup), on standard output in either mode.
    void document(const QString& text);
    QTextStream& err() { return err_; }

  private:
    // Flushes standard output and notes the first failure.
    void flushOut();
    QTextStream& out_;
    QTextStream& err_;
    bool json_;
    QString batchFile_;
    int batchLine_ = 0;  // 0: not in a batch
    bool failureTimes_ = false;
    QString outputFailure_;
    bool outputClosed_ = false;
    bool resultsOnError_ = false;
};

}  // namespace kestrel::cli
