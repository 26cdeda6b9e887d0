#pragma once
// The command line of kestrel-cli, read into one Invocation: the options that apply to every command,
// the command's words, and its named fields. Reading checks only the shape (known options, values
// present, numbers for the timing options); the device layer checks the values of device commands.

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

#include "exchange/transactor.h"
#include "serial/serialport.h"

namespace kestrel::cli {

// 4: a file or standard output could not be written (the device may have been asked already).
enum ExitCode { kDone = 0, kDeviceFailed = 1, kUsageError = 2, kPortError = 3, kWriteFailed = 4 };

struct Invocation {
    QString port;
    std::optional<QString> address;    // as typed; checked when a command needs it
    std::optional<QString> addresses;  // --addresses, as typed: "3,5,7"
    bool json = false;
    bool trace = false;
    QString logFile;
    QString language;  // --lang: applied by main() before anything is parsed or printed
    bool verify = false;
    bool yes = false;
    bool keepGoing = false;
    bool watch = false;
    int watchIntervalMs = 500;
    bool withSerial = false;
    bool force = false;
    QStringList only;
    Transactor::Timing timing;                      // also --echo and --silence
    DirectionLine direction = DirectionLine::None;  // --direction rts|dtr
    bool help = false;
    bool version = false;
    QStringList words;              // the command and its positional arguments
    QMap<QString, QString> fields;  // named fields: "network" -> "12"
    QStringList flags;              // fields without a value: "master"
    QStringList optionsGiven;       // the options named on this line: "port", "json"
};

// Options that set up the whole run (the port, the output, the log): a batch line may not change them.
bool isRunOption(const QString& name);

struct ParsedArguments {
    Invocation invocation;
    QString error;  // a usage error; empty when the line was understood
    bool ok() const { return error.isEmpty(); }
};

// Reads `arguments` (without the program name) over `defaults`: a batch line starts from the options of
// the command line that started the batch.
ParsedArguments parseArguments(const QStringList& arguments, const Invocation& defaults = {});

// Splits one batch line into words: blanks separate, double quotes group, a backslash inside quotes
// escapes the next character. Nothing on an unterminated quote.
std::optional<QStringList> splitLine(const QString& line);

// Whether --json is among the arguments: a line that cannot be read is refused as one JSON object too.
bool jsonArgument(const QStringList& arguments);

// The value of --lang among the arguments (the last one), or empty: read before the arguments are parsed, so
// that their messages come in the chosen language.
QString languageArgument(const QStringList& arguments);

// The help of the program, or of one command (empty for an unknown command).
QString programHelp();
QString commandHelp(const QString& command);

}  // namespace kestrel::cli
