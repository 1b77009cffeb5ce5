// The renderer: control properties reach widgets, a person's input becomes control events.
#include <QCalendarWidget>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include "desktop/views.h"
#include "desktop_fixture.h"
#include "host/dateeditplus.h"
#include "platform/comctrls.h"
#include "platform/datetime.h"
#include "platform/menus.h"
#include "platform/stdctrls.h"
#include "platform/sysutils.h"

namespace {

using namespace platform;
using desktoptest::DesktopTest;

template <class C>
C* Add(TForm* form, TWinControl* parent, const char* name, int left, int top, int width,
       int height) {
    C* control = form->Create<C>();
    control->SetName(name);
    control->SetBounds(left, top, width, height);
    control->SetParent(parent);
    return control;
}

TEST_F(DesktopTest, ControlPropertiesReachTheirWidgetsAndFollowChanges) {
    TForm* form = ShowForm();
    auto* panel = Add<TPanel>(form, form, "panFiltro", 0, 0, 400, 35);
    auto* label = Add<TLabel>(form, panel, "Label1", 8, 10, 50, 13);
    label->SetCaption("Empresa");
    TFont bold = label->Font();
    bold.Style = fsBold;
    label->SetFont(bold);
    auto* edit = Add<TMaskEdit>(form, panel, "medCdEmpresa", 60, 6, 30, 21);
    edit->SetEditMask("99;0; ");
    edit->SetColor(clInfoBk);
    edit->SetText("01");
    auto* name = Add<TEdit>(form, panel, "edtNmEmpresa", 120, 6, 260, 21);
    name->SetEnabled(false);
    auto* button = Add<TSpeedButton>(form, form, "sbtFiltro", 4, 40, 21, 21);
    button->SetHint("Filtrar");
    Activate(form);

    auto* qlabel = qobject_cast<QLabel*>(WidgetOf(label));
    auto* qedit = qobject_cast<QLineEdit*>(WidgetOf(edit));
    auto* qname = qobject_cast<QLineEdit*>(WidgetOf(name));
    ASSERT_TRUE(qlabel && qedit && qname);
    EXPECT_EQ(qlabel->text(), QStringLiteral("Empresa"));
    EXPECT_TRUE(qlabel->font().bold());
    EXPECT_EQ(qedit->text(), QStringLiteral("01"));
    EXPECT_EQ(qedit->geometry(), QRect(60, 6, 30, 21));
    EXPECT_EQ(qedit->palette().color(QPalette::Base), QColor(255, 255, 225));
    EXPECT_FALSE(qname->isEnabled());
    EXPECT_EQ(WidgetOf(button)->toolTip(), QStringLiteral("Filtrar"));
    EXPECT_FALSE(qobject_cast<QToolButton*>(WidgetOf(button))->icon().isNull())
        << "a drawn icon for Filtrar";

    // Changes made by code reach the widgets at once.
    edit->SetText("7");
    EXPECT_EQ(qedit->text(), QStringLiteral("7 "));
    name->SetEnabled(true);
    EXPECT_TRUE(qname->isEnabled());
    edit->SetBounds(70, 5, 40, 22);
    EXPECT_EQ(qedit->geometry(), QRect(70, 5, 40, 22));
    label->SetCaption("Filial");
    EXPECT_EQ(qlabel->text(), QStringLiteral("Filial"));
    panel->SetVisible(false);
    EXPECT_FALSE(WidgetOf(panel)->isVisible());
    EXPECT_FALSE(qedit->isVisible());
    form->SetCaption("Recálculo");
    EXPECT_EQ(renderer->WindowOf(form)->windowTitle(), QStringLiteral("Recálculo"));
}

TEST_F(DesktopTest, ControlsAddedAndRemovedLaterGetAndLoseTheirWidgets) {
    TForm* form = ShowForm();
    Activate(form);
    auto* late = Add<TEdit>(form, form, "edtTarde", 10, 10, 100, 21);
    late->SetText("novo");
    auto* qlate = qobject_cast<QLineEdit*>(WidgetOf(late));
    ASSERT_NE(qlate, nullptr);
    EXPECT_TRUE(qlate->isVisible());
    EXPECT_EQ(qlate->text(), QStringLiteral("novo"));
    delete late;
    EXPECT_EQ(WidgetOf(late), nullptr);
}

TEST_F(DesktopTest, ClickOnTheWidgetRunsTheControlsHandler) {
    TForm* form = ShowForm();
    auto* button = Add<TButton>(form, form, "btnOk", 10, 10, 75, 25);
    button->SetCaption("OK");
    auto* tool = Add<TSpeedButton>(form, form, "sbtConfirmar", 100, 10, 21, 21);
    auto* disabled = Add<TSpeedButton>(form, form, "sbtContab", 130, 10, 21, 21);
    disabled->SetEnabled(false);
    int buttonClicks = 0, toolClicks = 0, disabledClicks = 0;
    button->OnClick = [&](TObject*) { ++buttonClicks; };
    tool->OnClick = [&](TObject*) { ++toolClicks; };
    disabled->OnClick = [&](TObject*) { ++disabledClicks; };
    Activate(form);

    QTest::mouseClick(WidgetOf(button), Qt::LeftButton);
    QTest::mouseClick(WidgetOf(tool), Qt::LeftButton);
    QTest::mouseClick(WidgetOf(disabled), Qt::LeftButton);
    EXPECT_EQ(buttonClicks, 1);
    EXPECT_EQ(toolClicks, 1);
    EXPECT_EQ(disabledClicks, 0);
    EXPECT_TRUE(button->Focused()) << "a push button takes the focus when clicked";
    EXPECT_EQ(QApplication::focusWidget(), WidgetOf(button));
}

TEST_F(DesktopTest, RadioButtonsGroupsAndPagesFollowTheirPlatformState) {
    TForm* form = ShowForm(500, 300);
    auto* box = Add<TGroupBox>(form, form, "grbForn", 10, 10, 150, 60);
    box->SetCaption("Fornecedor");
    auto* all = Add<TRadioButton>(form, box, "rbtTodosForn", 8, 16, 60, 17);
    all->SetCaption("Todos");
    all->SetChecked(true);
    auto* list = Add<TRadioButton>(form, box, "rbtListForn", 8, 36, 60, 17);
    list->SetCaption("Lista");
    int listClicks = 0;
    list->OnClick = [&](TObject*) { ++listClicks; };
    auto* group = Add<TRadioGroup>(form, form, "rdgCtbl", 200, 10, 180, 80);
    group->SetCaption("Contabilização");
    group->SetItems({"Contabilizadas", "Não contabilizadas", "Ambos"});
    group->SetItemIndex(2);
    auto* pages = Add<TPageControl>(form, form, "pgcPadrao", 10, 100, 300, 150);
    auto* first = form->Create<TTabSheet>();
    first->SetCaption("Dados da Baixa");
    first->SetPageControl(pages);
    auto* second = form->Create<TTabSheet>();
    second->SetCaption("Documento");
    second->SetPageControl(pages);
    pages->SetActivePage(first);
    Activate(form);

    EXPECT_EQ(qobject_cast<QGroupBox*>(WidgetOf(box))->title(), QStringLiteral("Fornecedor"));
    auto* qall = qobject_cast<QRadioButton*>(WidgetOf(all));
    auto* qlist = qobject_cast<QRadioButton*>(WidgetOf(list));
    EXPECT_TRUE(qall->isChecked());
    QTest::mouseClick(qlist, Qt::LeftButton);
    EXPECT_TRUE(list->Checked());
    EXPECT_FALSE(all->Checked());
    EXPECT_TRUE(qlist->isChecked());
    EXPECT_FALSE(qall->isChecked());
    EXPECT_EQ(listClicks, 1);
    QTest::mouseClick(qlist, Qt::LeftButton); // a checked radio button stays checked, runs nothing
    EXPECT_TRUE(qlist->isChecked());
    EXPECT_EQ(listClicks, 1);

    auto* groupView = dynamic_cast<desktop::TRadioGroupView*>(renderer->ViewOf(group));
    ASSERT_NE(groupView, nullptr);
    EXPECT_EQ(groupView->ItemButton(1)->text(), QStringLiteral("Não contabilizadas"));
    EXPECT_TRUE(groupView->ItemButton(2)->isChecked());
    QTest::mouseClick(groupView->ItemButton(0), Qt::LeftButton);
    EXPECT_EQ(group->ItemIndex(), 0);
    EXPECT_TRUE(groupView->ItemButton(0)->isChecked());
    EXPECT_FALSE(groupView->ItemButton(2)->isChecked());
    group->SetItemIndex(1);
    EXPECT_TRUE(groupView->ItemButton(1)->isChecked());

    auto* tabs = qobject_cast<QTabWidget*>(WidgetOf(pages));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Documento"));
    EXPECT_EQ(tabs->currentWidget(), WidgetOf(first));
    pages->SetActivePage(second);
    EXPECT_EQ(tabs->currentWidget(), WidgetOf(second));
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(0).center());
    EXPECT_EQ(pages->ActivePage(), first) << "a tab click selects the page through the platform";
    EXPECT_EQ(tabs->currentWidget(), WidgetOf(first));
}

TEST_F(DesktopTest, TheFocusIsDrawnOnRadioButtonsCheckBoxesAndRadioGroups) {
    TForm* form = ShowForm(400, 200);
    auto* edit = Add<TEdit>(form, form, "edtValor", 10, 10, 100, 21);
    auto* radio = Add<TRadioButton>(form, form, "rbtLista", 10, 40, 80, 17);
    radio->SetCaption("Lista");
    auto* check = Add<TCheckBox>(form, form, "chkTodas", 10, 70, 80, 17);
    check->SetCaption("Todas");
    auto* group = Add<TRadioGroup>(form, form, "rdgCtbl", 150, 10, 180, 80);
    group->SetCaption("Contabilização");
    group->SetItems({"Contabilizadas", "Ambos"});
    group->SetItemIndex(1);
    Activate(form);
    for (TWinControl* control : std::initializer_list<TWinControl*>{radio, check, group}) {
        SCOPED_TRACE(control->Name());
        Application().Run([edit] { edit->SetFocus(); });
        QCoreApplication::processEvents();
        const QImage without = WidgetOf(control)->grab().toImage();
        Application().Run([control] { control->SetFocus(); });
        QCoreApplication::processEvents();
        ASSERT_TRUE(WidgetOf(control)->hasFocus());
        EXPECT_NE(WidgetOf(control)->grab().toImage(), without) << "no focus drawn";
    }
}

TEST_F(DesktopTest, FocusLeavingAPanelRunsItsExitHandlers) {
    TForm* form = ShowForm();
    auto* panel = Add<TPanel>(form, form, "panFiltro", 0, 0, 400, 35);
    auto* company = Add<TMaskEdit>(form, panel, "medCdEmpresa", 60, 6, 30, 21);
    auto* other = Add<TEdit>(form, form, "edtOutro", 60, 60, 100, 21);
    std::vector<std::string> log;
    company->OnExit = [&](TObject*) { log.push_back("medCdEmpresaExit"); };
    panel->OnExit = [&](TObject*) { log.push_back("panFiltroExit"); };
    panel->OnEnter = [&](TObject*) { log.push_back("panFiltroEnter"); };
    other->OnEnter = [&](TObject*) { log.push_back("edtOutroEnter"); };
    form->SetActiveControl(company);
    Activate(form);
    ASSERT_TRUE(company->Focused());
    EXPECT_EQ(QApplication::focusWidget(), WidgetOf(company));
    log.clear();

    QTest::mouseClick(WidgetOf(other), Qt::LeftButton);
    EXPECT_EQ(log,
              (std::vector<std::string>{"medCdEmpresaExit", "panFiltroExit", "edtOutroEnter"}));
    EXPECT_TRUE(other->Focused());
    EXPECT_EQ(QApplication::focusWidget(), WidgetOf(other));

    // Entering the panel again runs its enter handler, with Shift+Tab as with the mouse.
    log.clear();
    QTest::keyClick(WidgetOf(other), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(company->Focused());
    EXPECT_EQ(log, (std::vector<std::string>{"panFiltroEnter"}));
    EXPECT_EQ(QApplication::focusWidget(), WidgetOf(company));
}

TEST_F(DesktopTest, AnExitHandlerThatRefusesKeepsTheFocusAndDropsTheClick) {
    TForm* form = ShowForm();
    auto* panel = Add<TPanel>(form, form, "panFiltro", 0, 0, 400, 35);
    auto* company = Add<TEdit>(form, panel, "medCdEmpresa", 60, 6, 30, 21);
    auto* button = Add<TButton>(form, form, "btnOk", 60, 60, 75, 25);
    int exits = 0, clicks = 0;
    panel->OnExit = [&](TObject*) {
        ++exits;
        throw EAbort();
    };
    button->OnClick = [&](TObject*) { ++clicks; };
    form->SetActiveControl(company);
    Activate(form);

    QTest::mouseClick(WidgetOf(button), Qt::LeftButton);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(company->Focused());
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), WidgetOf(company));
}

TEST_F(DesktopTest, ATypedKeyGoesThroughTheKeyFilterAndTheMask) {
    TForm* form = ShowForm();
    auto* company = Add<TMaskEdit>(form, form, "medCdEmpresa", 10, 10, 40, 21);
    company->SetEditMask("99;0; ");
    auto* amount = Add<TEdit>(form, form, "nedVrLiqIni", 10, 40, 100, 21);
    amount->OnKeyPress = [](TObject*, TKeyChar& key) {
        if (key == '-') throw EAbort();
    };
    form->SetActiveControl(company);
    Activate(form);
    auto* qcompany = qobject_cast<QLineEdit*>(WidgetOf(company));
    auto* qamount = qobject_cast<QLineEdit*>(WidgetOf(amount));

    QTest::keyClicks(qcompany, "1a2");
    EXPECT_EQ(company->Text(), "12") << "the mask refuses the letter";
    EXPECT_EQ(qcompany->text(), QStringLiteral("12"));
    QTest::keyClick(qcompany, Qt::Key_Backspace);
    EXPECT_EQ(company->Text(), "1");
    EXPECT_EQ(qcompany->text(), QStringLiteral("1 "));

    QTest::keyClick(qcompany, Qt::Key_Tab);
    EXPECT_TRUE(amount->Focused()) << "Tab follows the platform's tab order";
    EXPECT_EQ(QApplication::focusWidget(), qamount);
    QTest::keyClicks(qamount, "-10,5");
    EXPECT_EQ(amount->Text(), "10,5");
    EXPECT_EQ(qamount->text(), QStringLiteral("10,5"));
    EXPECT_EQ(qamount->cursorPosition(), 4);
}

TEST_F(DesktopTest, MenuAndPopupShortcutsRunTheirItems) {
    TForm* form = ShowForm();
    auto* menu = form->Create<TMainMenu>();
    auto* maintenance = form->Create<TMenuItem>();
    maintenance->SetCaption("&Manutenção");
    menu->Items()->Add(maintenance);
    auto* filter = form->Create<TMenuItem>();
    filter->SetCaption("&Filtrar");
    filter->SetShortCut(TextToShortCut("Ctrl+L"));
    maintenance->Add(filter);
    form->SetMenu(menu);
    auto* popup = form->Create<TPopupMenu>();
    popup->SetAutoPopup(false);
    auto* undo = form->Create<TMenuItem>();
    undo->SetShortCut(TextToShortCut("Ctrl+D"));
    popup->Items()->Add(undo);
    form->SetPopupMenu(popup);
    auto* edit = Add<TEdit>(form, form, "edtTexto", 10, 10, 100, 21);
    int filters = 0, undos = 0;
    filter->OnClick = [&](TObject*) { ++filters; };
    undo->OnClick = [&](TObject*) { ++undos; };
    form->SetActiveControl(edit);
    Activate(form);

    QTest::keyClick(WidgetOf(edit), Qt::Key_L, Qt::ControlModifier);
    QTest::keyClick(WidgetOf(edit), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(filters, 1);
    EXPECT_EQ(undos, 1);
    EXPECT_EQ(edit->Text(), "") << "a shortcut types nothing";

    auto* bar = renderer->WindowOf(form)->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 1);
    QAction* top = bar->actions().front();
    EXPECT_EQ(top->text(), QStringLiteral("&Manutenção"));
    ASSERT_NE(top->menu(), nullptr);
    QAction* item = top->menu()->actions().front();
    EXPECT_EQ(item->text(), QStringLiteral("&Filtrar\tCtrl+L"));
    filter->SetEnabled(false);
    EXPECT_FALSE(item->isEnabled());
    filter->SetEnabled(true);
    item->trigger();
    EXPECT_EQ(filters, 2);
}

TEST_F(DesktopTest, AModalFormRunsItsLoopUntilAButtonSetsTheResult) {
    TForm* dialog = ShowForm(200, 100);
    dialog->SetCaption("Filtro de Baixa (Pagamento)");
    auto* ok = Add<TButton>(dialog, dialog, "sbtConfirma", 10, 10, 75, 25);
    ok->SetModalResult(mrOk);
    TModalResult result = mrNone;
    QTimer::singleShot(0, [&] {
        QWidget* window = renderer->WindowOf(dialog);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowModality(), Qt::ApplicationModal);
        QTest::mouseClick(WidgetOf(ok), Qt::LeftButton);
    });
    platform::Application().Run([&] { result = dialog->ShowModal(); });
    EXPECT_EQ(result, mrOk);
    EXPECT_FALSE(renderer->WindowOf(dialog)->isVisible());

    // Shown again (a dialog kept between openings), the window's close button cancels it.
    QTimer::singleShot(0, [&] { renderer->WindowOf(dialog)->close(); });
    platform::Application().Run([&] { result = dialog->ShowModal(); });
    EXPECT_EQ(result, mrCancel);
    EXPECT_FALSE(renderer->WindowOf(dialog)->isVisible());
}

TEST_F(DesktopTest, TheWindowLockStopsRepaintingUntilUnlocked) {
    TForm* form = ShowForm();
    Activate(form);
    QWidget* window = renderer->WindowOf(form);
    ASSERT_TRUE(platform::Application().LockWindowUpdate(form->Handle()));
    EXPECT_FALSE(window->updatesEnabled());
    platform::Application().LockWindowUpdate(0);
    EXPECT_TRUE(window->updatesEnabled());
}

TEST_F(DesktopTest, AltDownOpensTheDateEditsCalendarWithShortWeekdayNamesAndSetsTheDate) {
    TForm* form = ShowForm();
    auto* date = Add<host::TDateEditPlus>(form, form, "dedDtIni", 10, 10, 90, 21);
    date->SetDate(EncodeDate(2024, 3, 15));
    form->SetActiveControl(date);
    Activate(form);
    auto* view = dynamic_cast<desktop::TDateEditView*>(renderer->ViewOf(date));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->LineEdit()->text(), QStringLiteral("15/03/2024"));
    EXPECT_EQ(view->LineEdit()->toolTip(), QStringLiteral("Sexta"));
    EXPECT_EQ(view->LineEdit()->palette().color(QPalette::Text), QColor(0, 0, 255))
        << "a valid date is blue";

    QTest::keyClick(view->LineEdit(), Qt::Key_Down, Qt::AltModifier);
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    QStringList heads;
    for (QLabel* label : popup->findChildren<QLabel*>()) heads << label->text();
    for (const char* day : {"Dom", "Seg", "Ter", "Qua", "Qui", "Sex", "Sáb"})
        EXPECT_TRUE(heads.contains(QString::fromUtf8(day))) << day;
    EXPECT_EQ(heads.front(), QStringLiteral("Março de 2024")) << "the month bar comes first";
    auto* calendar = popup->findChild<QCalendarWidget*>();
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(calendar->selectedDate(), QDate(2024, 3, 15));
    emit calendar->clicked(QDate(2024, 4, 2));
    EXPECT_EQ(date->GetDate(), EncodeDate(2024, 4, 2));
    EXPECT_EQ(view->LineEdit()->text(), QStringLiteral("02/04/2024"));
    EXPECT_EQ(view->LineEdit()->toolTip(), QStringLiteral("Terça"));
}

} // namespace
