// The desktop's Services: message boxes, pick lists, busy animation, cursor, modal loops and
// window locking with Qt, and the form notifications handed to the renderer.
#include "desktop/qtservices.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <map>
#include <set>

#include "desktop/busyindicator.h"
#include "desktop/datasetmodel.h"
#include "desktop/helpwindow.h"
#include "desktop/pickdialog.h"
#include "desktop/qtconvert.h"
#include "desktop/renderer.h"
#include "desktop/replywaiter.h"
#include "platform/dataset.h"

namespace desktop {

namespace {

constexpr platform::TMsgDlgBtn kButtonOrder[] = {
    platform::mbYes,   platform::mbNo,    platform::mbOK,     platform::mbCancel,
    platform::mbAbort, platform::mbRetry, platform::mbIgnore, platform::mbAll,
};

QMessageBox::ButtonRole RoleOf(platform::TMsgDlgBtn button) {
    switch (button) {
    case platform::mbYes:
    case platform::mbOK:
    case platform::mbAll: return QMessageBox::AcceptRole;
    case platform::mbNo: return QMessageBox::NoRole;
    case platform::mbCancel:
    case platform::mbAbort: return QMessageBox::RejectRole;
    default: return QMessageBox::ActionRole;
    }
}

QMessageBox::Icon IconOf(platform::TMsgDlgType type) {
    switch (type) {
    case platform::TMsgDlgType::mtWarning: return QMessageBox::Warning;
    case platform::TMsgDlgType::mtError: return QMessageBox::Critical;
    case platform::TMsgDlgType::mtInformation: return QMessageBox::Information;
    case platform::TMsgDlgType::mtConfirmation: return QMessageBox::Question;
    case platform::TMsgDlgType::mtCustom: break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

TQtServices::TQtServices(TRenderer& renderer, QWidget* parent)
    : renderer_(renderer), parent_(parent), busy_(std::make_unique<TBusyIndicator>(parent)),
      waiter_(std::make_unique<TReplyWaiter>()) {}

TQtServices::~TQtServices() {
    if (hourglass_) QApplication::restoreOverrideCursor();
}

const char* TQtServices::DialogCaption(platform::TMsgDlgType type) {
    switch (type) {
    case platform::TMsgDlgType::mtWarning: return "Aviso";
    case platform::TMsgDlgType::mtError: return "Erro";
    case platform::TMsgDlgType::mtInformation: return "Informação";
    case platform::TMsgDlgType::mtConfirmation: return "Confirmação";
    case platform::TMsgDlgType::mtCustom: break;
    }
    return "Mensagem";
}

const char* TQtServices::ButtonText(platform::TMsgDlgBtn button) {
    switch (button) {
    case platform::mbYes: return "&Sim";
    case platform::mbNo: return "&Não";
    case platform::mbOK: return "OK";
    case platform::mbCancel: return "Cancelar";
    case platform::mbAbort: return "&Abortar";
    case platform::mbRetry: return "&Repetir";
    case platform::mbIgnore: return "&Ignorar";
    case platform::mbAll: return "&Todos";
    }
    return "";
}

void TQtServices::ShowError(const std::string& text) {
    MessageDlg(text, platform::TMsgDlgType::mtError, platform::mbOK, 0);
}

platform::TModalResult TQtServices::MessageDlg(const std::string& text, platform::TMsgDlgType type,
                                               platform::TMsgDlgButtons buttons,
                                               int /*helpContext*/) {
    if (buttons == 0) buttons = platform::mbOK;
    // A box over a busy animation would hide under it or look frozen: the animation waits.
    const bool busy = busy_->isVisible();
    if (busy) busy_->hide();
    QWidget* parent =
        QApplication::activeModalWidget() ? QApplication::activeModalWidget() : parent_.data();
    QMessageBox box(IconOf(type), ToQString(DialogCaption(type)), ToQString(text),
                    QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    std::map<QAbstractButton*, platform::TModalResult> results;
    const platform::TModalResult defaultResult = platform::DefaultButtonResult(buttons);
    for (platform::TMsgDlgBtn button : kButtonOrder) {
        if (!(buttons & button)) continue;
        QPushButton* pushed = box.addButton(ToQString(ButtonText(button)), RoleOf(button));
        results[pushed] = platform::ButtonResult(button);
        if (platform::ButtonResult(button) == defaultResult) box.setDefaultButton(pushed);
        if (button == platform::mbCancel ||
            (button == platform::mbNo && !(buttons & platform::mbCancel)) ||
            (button == platform::mbOK && buttons == platform::mbOK))
            box.setEscapeButton(pushed);
    }
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    QApplication::restoreOverrideCursor();
    if (busy && busy_->Depth() > 0) busy_->show();
    auto it = results.find(box.clickedButton());
    return it == results.end() ? platform::mrCancel : it->second;
}

bool TQtServices::PickList(platform::TDataSet& data, const std::string& keyField,
                           const std::string& title, std::vector<std::string>& codes) {
    TPickDialog dialog(data, keyField, title, true, parent_);
    dialog.Model().SetChosen(std::set<std::string>(codes.begin(), codes.end()));
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    int result = dialog.exec();
    QApplication::restoreOverrideCursor();
    if (result != QDialog::Accepted) return false;
    codes = dialog.Model().ChosenInRowOrder();
    return true;
}

bool TQtServices::PickRow(platform::TDataSet& data, const std::string& keyField,
                          const std::string& title) {
    TPickDialog dialog(data, keyField, title, false, parent_);
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    int result = dialog.exec();
    QApplication::restoreOverrideCursor();
    int row = dialog.CurrentRow();
    if (result != QDialog::Accepted || row < 0) return false;
    data.SetRecNo(row + 1);
    return true;
}

void TQtServices::BusyOn(int kind) {
    busy_->On(kind);
}

void TQtServices::BusyOff() {
    busy_->Off();
}

void TQtServices::CursorChanged(int cursor) {
    bool wanted = cursor == platform::crHourGlass;
    if (wanted == hourglass_) return;
    hourglass_ = wanted;
    if (wanted)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

platform::TModalResult TQtServices::ShowModal(platform::TForm& form) {
    return renderer_.RunModal(form);
}

void TQtServices::LockWindowUpdate(platform::THandle handle) {
    renderer_.LockWindowUpdate(handle);
}

bool TQtServices::ShowHelp(platform::TForm& form) {
    const QString page = THelpWindow::PageOf(form);
    if (page.isEmpty()) return false;
    QWidget* parent =
        QApplication::activeModalWidget() ? QApplication::activeModalWidget() : parent_.data();
    THelpWindow::Open(page, parent);
    return true;
}

void TQtServices::StatusNote(const std::string& text) {
    if (OnStatusNote) OnStatusNote(text);
}

void TQtServices::ModuleOpened(const std::string& code, const platform::Variant&) {
    if (OnModuleOpened) OnModuleOpened(code);
}

void TQtServices::FormShown(platform::TForm& form) {
    renderer_.FormShown(form);
}

void TQtServices::FormHidden(platform::TForm& form) {
    renderer_.FormHidden(form);
}

void TQtServices::FormActivated(platform::TForm& form) {
    renderer_.FormActivated(form);
}

void TQtServices::FormDestroyed(platform::TForm& form) {
    renderer_.FormDestroyed(form);
}

} // namespace desktop
