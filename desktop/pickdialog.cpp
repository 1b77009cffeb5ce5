// The pick lists of the Services: several codes ticked in a list, or one row chosen.
#include "desktop/pickdialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "desktop/datasetmodel.h"
#include "desktop/qtconvert.h"
#include "platform/dataset.h"

namespace desktop {

TPickDialog::TPickDialog(platform::TDataSet& dataSet, const std::string& keyField,
                         const std::string& title, bool multiple, QWidget* parent)
    : QDialog(parent), multiple_(multiple) {
    setWindowTitle(ToQString(title));
    setModal(true);
    model_ = new TDataSetModel(dataSet, *dataSet.FieldByName(keyField), multiple, this);

    auto* layout = new QVBoxLayout(this);
    auto* searchRow = new QHBoxLayout;
    auto* searchLabel = new QLabel(QStringLiteral("&Localizar:"), this);
    search_ = new QLineEdit(this);
    searchLabel->setBuddy(search_);
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(search_);
    layout->addLayout(searchRow);

    view_ = new QTableView(this);
    view_->setModel(model_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    view_->verticalHeader()->setVisible(false);
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(20);
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->installEventFilter(this);
    if (model_->rowCount() <= 2000) view_->resizeColumnsToContents();
    layout->addWidget(view_);

    auto* buttons = new QDialogButtonBox(this);
    if (multiple_) {
        QPushButton* all =
            buttons->addButton(QStringLiteral("Marcar &todos"), QDialogButtonBox::ActionRole);
        QPushButton* none =
            buttons->addButton(QStringLiteral("&Desmarcar todos"), QDialogButtonBox::ActionRole);
        connect(all, &QPushButton::clicked, this, [this] { model_->ChooseAll(true); });
        connect(none, &QPushButton::clicked, this, [this] { model_->ChooseAll(false); });
    }
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(search_, &QLineEdit::textEdited, this, [this](const QString& text) { Find(text); });
    connect(view_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (multiple_)
            model_->Toggle(index.row());
        else
            accept();
    });
    if (model_->rowCount() > 0) SelectRow(0);
    resize(560, 380);
    // Typing goes to the search at once; the arrow keys still move in the list.
    search_->installEventFilter(this);
    search_->setFocus();
}

TPickDialog::~TPickDialog() = default;

int TPickDialog::CurrentRow() const {
    QModelIndex current = view_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TPickDialog::SelectRow(int row) {
    if (row < 0 || row >= model_->rowCount()) return;
    view_->setCurrentIndex(model_->index(row, 0));
    view_->selectRow(row);
    view_->scrollTo(model_->index(row, 0));
}

void TPickDialog::Find(const QString& text) {
    if (text.isEmpty()) return;
    for (int row = 0; row < model_->rowCount(); ++row)
        for (int column = 0; column < model_->columnCount(); ++column)
            if (model_->TextAt(row, column).trimmed().startsWith(text, Qt::CaseInsensitive)) {
                SelectRow(row);
                return;
            }
}

bool TPickDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == search_ && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: QCoreApplication::sendEvent(view_, event); return true;
        default: break;
        }
    }
    if (watched == view_ && event->type() == QEvent::KeyPress && multiple_) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space) {
            model_->Toggle(CurrentRow());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace desktop
