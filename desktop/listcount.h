// The status bar's count of the active screen's write-off list and of its marked rows.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

#include "platform/datasource.h"

namespace platform {
class TForm;
}

namespace desktop {

/// "40 baixas, 2 marcadas", "1 baixa, 1 marcada", "0 baixas, 0 marcadas".
QString ListCountText(int rows, int marked);

/// Follows the write-off list of one form (the data source of its grid whose rows carry the
/// mark field IDMARCADO) and tells OnText its count after every change of the list: load,
/// mark, unmark, mark-all, reload, filter. Changes are counted once control returns to the
/// event loop, so a burst of them costs one count. The text is empty while there is no open
/// list.
class TListCounter : public platform::TDataLink {
public:
    TListCounter();
    /// Follows `form`'s list (nullptr or a form without one: nothing).
    void Watch(platform::TForm* form);
    std::function<void(const QString& text)> OnText;

protected:
    void ActiveChanged() override { CountLater(); }
    void DataSetChanged() override { CountLater(); }
    void RecordChanged(platform::TField*) override { CountLater(); }

private:
    void CountLater();
    void Count();
    QObject context_;
    bool pending_ = false;
};

} // namespace desktop
