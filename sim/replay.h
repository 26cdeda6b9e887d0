#pragma once
// A recorded session played back as the bus: every request frame is answered with the reply the
// tool's traffic log recorded for the same request bytes, so a trace from the field can be served to
// the real window on the bench. Pure, like Bus: bytes in, exchanges out, no I/O of its own apart from
// reading the log in load().

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "sim/bus.h"
#include "sim/ptyhost.h"

namespace kestrel::sim {

class Replay : public Responder {
  public:
    // One recorded exchange; an empty reply means nothing came back that time.
    struct Row {
        QByteArray request;
        QByteArray reply;
    };

    // The rows in recorded order.
    explicit Replay(const std::vector<Row>& rows);

    // What reading a log left out, for the user to see.
    struct Report {
        // "line 7: 3 cells, the header has 9", the first kShownProblems malformed rows.
        QStringList problems;
        // Malformed rows left out, all of them; rows without a request (bytes that came unasked).
        int badRows = 0;
        int unaskedRows = 0;
    };
    static constexpr int kShownProblems = 20;
    // A row longer than this is malformed (a logged row is a few hundred bytes); so is the header line.
    static constexpr int kLongestRow = 1 << 20;

    // A traffic-log CSV (columns found by their header names), read record by record; `name` is the
    // file named in the error text. A malformed row (not as many cells as the header, a quote left open
    // at the end of the input, a request or reply cell that is not hex bytes, more than kLongestRow
    // bytes) is left out and reported in `report` with the line it starts on; rows without a request
    // are left out and counted. Null, with the reason in `error`, when the input is no traffic log (no
    // header line, no request or reply column) or holds no exchange to answer with; `report` is filled
    // in either case.
    static std::unique_ptr<Replay> read(QIODevice* in, const QString& name, QString* error,
                                        Report* report = nullptr);
    // The same for a text, and for a file.
    static std::unique_ptr<Replay> fromCsv(const QString& text, const QString& name, QString* error,
                                           Report* report = nullptr);
    static std::unique_ptr<Replay> load(const QString& path, QString* error, Report* report = nullptr);

    // Rows taken from the log; of those, distinct request byte strings.
    int rowCount() const { return rowCount_; }
    int requestCount() const { return int(requests_.size()); }

    // Frames requests exactly as Bus::feed does. Each frame recorded in the log gets its next recorded
    // reply, and after the last one the first again; any other frame gets no answer.
    std::vector<Exchange> feed(const QByteArray& bytes) override;
    void advance(qint64 ms) override { framer_.advance(ms); }

  private:
    // Where a row's bytes lie in bytes_: its request, then its reply.
    struct Span {
        qint64 at = 0;
        quint32 requestSize = 0;
        quint32 replySize = 0;
    };
    // A distinct request: its rows are rows_[first, first + count), and the one answering next.
    struct Request {
        quint32 first = 0;
        quint32 count = 0;
        quint32 next = 0;
    };

    Replay() = default;
    void add(const QByteArray& request, const QByteArray& reply);
    void finish();
    QByteArrayView requestOf(const Span& row) const;

    // A bus with a reader at every address the log sends to, used only for its frame parser; the
    // model's own answers are thrown away. readers_ is that set of readers, put back after each frame.
    Bus framer_;
    std::vector<Reader> readers_;
    // Every row's bytes end to end, and the rows; once loaded, the rows sorted by request (each
    // request's in logged order) and the distinct requests in that order: a few dozen bytes a row,
    // where a map of byte arrays would cost a few hundred.
    QByteArray bytes_;
    std::vector<Span> rows_;
    std::vector<Request> requests_;
    int rowCount_ = 0;
};

}  // namespace kestrel::sim
