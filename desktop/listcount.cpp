// The status bar's count of the active screen's write-off list and of its marked rows.
#include "desktop/listcount.h"

#include <QTimer>

#include "platform/dataset.h"
#include "platform/dbctrls.h"
#include "platform/fields.h"
#include "platform/forms.h"

namespace desktop {

namespace {

constexpr const char* kMarkField = "IDMARCADO";

platform::TDataSource* ListSource(platform::TForm& form) {
    for (platform::TComponent* component : form.Components()) {
        auto* grid = dynamic_cast<platform::TDBGrid*>(component);
        if (!grid || !grid->DataSource()) continue;
        platform::TDataSet* list = grid->DataSource()->DataSet();
        if (list && list->FindField(kMarkField)) return grid->DataSource();
    }
    return nullptr;
}

} // namespace

QString ListCountText(int rows, int marked) {
    return QStringLiteral("%1 %2, %3 %4")
        .arg(rows)
        .arg(rows == 1 ? QStringLiteral("baixa") : QStringLiteral("baixas"))
        .arg(marked)
        .arg(marked == 1 ? QStringLiteral("marcada") : QStringLiteral("marcadas"));
}

TListCounter::TListCounter() = default;

void TListCounter::Watch(platform::TForm* form) {
    platform::TDataSource* source = form ? ListSource(*form) : nullptr;
    if (source == DataSource()) return;
    SetDataSource(source);
    CountLater();
}

void TListCounter::CountLater() {
    if (pending_) return;
    pending_ = true;
    QTimer::singleShot(0, &context_, [this] {
        pending_ = false;
        Count();
    });
}

void TListCounter::Count() {
    if (!OnText) return;
    platform::TDataSet* list = DataSet();
    platform::TField* mark = list && list->Active() ? list->FindField(kMarkField) : nullptr;
    if (!mark) {
        OnText(QString());
        return;
    }
    const int rows = list->RecordCount();
    int marked = 0;
    for (int recNo = 1; recNo <= rows; ++recNo) {
        platform::TRecordPeek peek(*list, recNo);
        if (mark->AsString() == "S") ++marked;
    }
    OnText(ListCountText(rows, marked));
}

} // namespace desktop
