// The pick lists of the Services: several codes ticked in a list, or one row chosen.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QLineEdit;
class QTableView;

namespace platform {
class TDataSet;
}

namespace desktop {

class TDataSetModel;

/// A modal list over an open dataset's rows (read on demand, never copied). In multiple mode
/// each row has a check box (space or a click ticks it; "Marcar todos"/"Desmarcar todos");
/// in single mode a double click or Enter chooses the current row. Typing in "Localizar"
/// moves to the first row whose text in any column starts with what was typed.
class TPickDialog : public QDialog {
    Q_OBJECT
public:
    TPickDialog(platform::TDataSet& dataSet, const std::string& keyField, const std::string& title,
                bool multiple, QWidget* parent = nullptr);
    ~TPickDialog() override;

    TDataSetModel& Model() const { return *model_; }
    QTableView& View() const { return *view_; }
    QLineEdit& Search() const { return *search_; }
    /// The row chosen in single mode (0-based); -1 when none.
    int CurrentRow() const;
    void SelectRow(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Find(const QString& text);

    bool multiple_;
    TDataSetModel* model_;
    QTableView* view_;
    QLineEdit* search_;
};

} // namespace desktop
