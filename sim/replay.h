#pragma once
// A recorded session played back as the bus: every request frame is answered with the reply the
// tool's traffic log recorded for the same request bytes, so a trace from the field can be served to
// the real window on the bench. Pure, like Bus: bytes in, exchanges out, no I/O of its own apart from
// reading the log in load().

#include <QByteArray>
#include <QString>
#include <map>
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

    // A traffic-log CSV text (columns found by their header names); `name` is the file named in the
    // error text. Rows without a request (bytes that came unasked) are left out. Null, with the reason
    // in `error`, when the text is no traffic log or a request or reply cell is not hex bytes.
    static std::unique_ptr<Replay> fromCsv(const QString& text, const QString& name, QString* error);
    // The same for a file.
    static std::unique_ptr<Replay> load(const QString& path, QString* error);

    // Rows taken from the log; of those, distinct request byte strings; rows left out (no request).
    int rowCount() const { return rowCount_; }
    int requestCount() const { return int(table_.size()); }
    int skippedRows() const { return skippedRows_; }

    // Frames requests exactly as Bus::feed does. Each frame recorded in the log gets its next recorded
    // reply, and after the last one the first again; any other frame gets no answer.
    std::vector<Exchange> feed(const QByteArray& bytes) override;
    void advance(qint64 ms) override { framer_.advance(ms); }

  private:
    struct Replies {
        std::vector<QByteArray> replies;
        std::size_t next = 0;
    };

    // A bus with a reader at every address the log sends to, used only for its frame parser; the
    // model's own answers are thrown away. readers_ is that set of readers, put back after each frame.
    Bus framer_;
    std::vector<Reader> readers_;
    std::map<QByteArray, Replies> table_;
    int rowCount_ = 0;
    int skippedRows_ = 0;
};

}  // namespace kestrel::sim
