#pragma once
// Dialogs that answer nothing and count the boxes: a long run or a fuzzer must never wait on one.
#include "ui/dialogs.h"

namespace kestrel::test {

class SilentDialogs : public Dialogs {
  public:
    int shown = 0;
    void message(const QString&, Icon, const QString&) override { ++shown; }
    bool askYesNo(const QString&) override { return false; }
    QString input(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(const QString&, const QString&) override { return {}; }
};

}  // namespace kestrel::test
