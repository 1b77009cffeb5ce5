// Views of display controls: labels, data-aware texts, images, progress bars, tool buttons and
// the grid.
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QToolButton>

#include "desktop/gridview.h"
#include "desktop/qtconvert.h"
#include "desktop/renderer.h"
#include "desktop/views.h"
#include "platform/comctrls.h"
#include "platform/dbctrls.h"
#include "platform/stdctrls.h"
#include "platform/sysutils.h"

namespace desktop {

namespace {

Qt::Alignment LabelAlignment(const platform::TLabel& label) {
    Qt::Alignment alignment = Qt::AlignLeft;
    if (label.Alignment() == platform::TAlignment::taRightJustify) alignment = Qt::AlignRight;
    if (label.Alignment() == platform::TAlignment::taCenter) alignment = Qt::AlignHCenter;
    switch (label.Layout()) {
    case platform::TTextLayout::tlTop: return alignment | Qt::AlignTop;
    case platform::TTextLayout::tlCenter: return alignment | Qt::AlignVCenter;
    case platform::TTextLayout::tlBottom: return alignment | Qt::AlignBottom;
    }
    return alignment;
}

bool NameHas(const std::string& name, const std::string& hint, const char* word) {
    const std::string wanted = platform::LowerCase(word);
    return platform::LowerCase(name).find(wanted) != std::string::npos ||
           platform::LowerCase(hint).find(wanted) != std::string::npos;
}

QPixmap IconCanvas() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QIcon GlyphIcon(char32_t glyph, QColor color) {
    QPixmap pixmap = IconCanvas();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString::fromUcs4(&glyph, 1));
    return QIcon(pixmap);
}

QIcon FunnelIcon() {
    QPixmap pixmap = IconCanvas();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath funnel;
    funnel.moveTo(1, 2);
    funnel.lineTo(15, 2);
    funnel.lineTo(9.5, 8.5);
    funnel.lineTo(9.5, 14);
    funnel.lineTo(6.5, 12.5);
    funnel.lineTo(6.5, 8.5);
    funnel.closeSubpath();
    painter.setPen(QPen(QColor(0, 0, 96), 1));
    painter.setBrush(QColor(64, 128, 200));
    painter.drawPath(funnel);
    return QIcon(pixmap);
}

QIcon MagnifierIcon() {
    QPixmap pixmap = IconCanvas();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(32, 32, 32), 2));
    painter.setBrush(QColor(200, 230, 255));
    painter.drawEllipse(QRectF(2, 2, 8, 8));
    painter.setPen(QPen(QColor(96, 64, 0), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(10, 10), QPointF(14, 14));
    return QIcon(pixmap);
}

QIcon PrinterIcon() {
    QPixmap pixmap = IconCanvas();
    QPainter painter(&pixmap);
    painter.setPen(QColor(48, 48, 48));
    painter.setBrush(Qt::white);
    painter.drawRect(4, 1, 7, 5); // paper in
    painter.setBrush(QColor(160, 160, 160));
    painter.drawRect(1, 6, 13, 6); // body
    painter.setBrush(Qt::white);
    painter.drawRect(4, 10, 7, 5);                    // paper out
    painter.fillRect(11, 8, 2, 1, QColor(0, 160, 0)); // light
    return QIcon(pixmap);
}

QIcon DiskIcon() {
    QPixmap pixmap = IconCanvas();
    QPainter painter(&pixmap);
    painter.fillRect(1, 1, 14, 14, QColor(0, 0, 128));
    painter.fillRect(4, 1, 8, 5, Qt::white); // label
    painter.fillRect(9, 2, 2, 3, QColor(0, 0, 128));
    painter.fillRect(3, 9, 10, 6, QColor(192, 192, 192)); // shutter
    return QIcon(pixmap);
}

QIcon FolderIcon() {
    QPixmap pixmap = IconCanvas();
    QPainter painter(&pixmap);
    painter.setPen(QColor(128, 96, 0));
    painter.setBrush(QColor(240, 200, 80));
    painter.drawRect(1, 4, 13, 10);
    painter.drawRect(1, 2, 6, 2);
    return QIcon(pixmap);
}

QIcon TriangleIcon(bool left, bool bar) {
    QPixmap pixmap = IconCanvas();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0));
    QPolygonF triangle;
    if (left)
        triangle << QPointF(11, 3) << QPointF(11, 13) << QPointF(5, 8);
    else
        triangle << QPointF(5, 3) << QPointF(5, 13) << QPointF(11, 8);
    painter.drawPolygon(triangle);
    if (bar) painter.fillRect(left ? QRectF(3, 3, 2, 10) : QRectF(11, 3, 2, 10), Qt::black);
    return QIcon(pixmap);
}

} // namespace

QIcon CommandIcon(const std::string& name, const std::string& hint) {
    const QColor green(0, 128, 0), red(192, 0, 0), navy(0, 0, 128);
    if (NameHas(name, hint, "primeiro")) return TriangleIcon(true, true);
    if (NameHas(name, hint, "anterior")) return TriangleIcon(true, false);
    if (NameHas(name, hint, "proximo") || NameHas(name, hint, "próximo"))
        return TriangleIcon(false, false);
    if (NameHas(name, hint, "ultimo") || NameHas(name, hint, "último"))
        return TriangleIcon(false, true);
    if (NameHas(name, hint, "incluir")) return GlyphIcon(U'\u271A', green);
    if (NameHas(name, hint, "alterar")) return GlyphIcon(U'\u270E', navy);
    if (NameHas(name, hint, "excluir")) return GlyphIcon(U'\u2716', red);
    if (NameHas(name, hint, "verificar")) return GlyphIcon(U'\u21BB', navy);
    if (NameHas(name, hint, "cancelar")) return GlyphIcon(U'\u2718', red);
    if (NameHas(name, hint, "confirma")) return GlyphIcon(U'\u2714', green);
    if (NameHas(name, hint, "imprimir")) return PrinterIcon();
    if (NameHas(name, hint, "sair")) return GlyphIcon(U'\u21E5', red);
    if (NameHas(name, hint, "filtr")) return FunnelIcon();
    if (NameHas(name, hint, "contab")) return GlyphIcon(U'\u2211', navy);
    if (NameHas(name, hint, "pesquis") || platform::LowerCase(name).rfind("btp", 0) == 0)
        return MagnifierIcon();
    if (NameHas(name, hint, "salvar") || NameHas(name, hint, "saveopc")) return DiskIcon();
    if (NameHas(name, hint, "carregar") || NameHas(name, hint, "loadopc")) return FolderIcon();
    if (NameHas(name, hint, "help") || NameHas(name, hint, "ajuda")) return GlyphIcon(U'?', navy);
    if (NameHas(name, hint, "limpa") || NameHas(name, hint, "desfazer"))
        return GlyphIcon(U'\u21B6', navy);
    return {};
}

QIcon WindowIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(0, 0, 128));
    painter.setBrush(Qt::white);
    painter.drawRect(2, 0, 11, 15);
    for (int y = 3; y < 14; y += 3) painter.drawLine(4, y, 11, y);
    painter.fillRect(2, 0, 2, 16, QColor(0, 0, 128));
    return QIcon(pixmap);
}

// ---- Labels ----

QWidget* TLabelView::CreateWidget(QWidget* host) {
    auto* label = new QLabel(host);
    label->setFocusPolicy(Qt::NoFocus);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void TLabelView::SyncText() {
    auto* label = static_cast<QLabel*>(Widget());
    label->setText(DisplayText(Control().Caption(), Control().Font()));
    if (auto* platformLabel = dynamic_cast<platform::TLabel*>(&Control())) {
        label->setAlignment(LabelAlignment(*platformLabel));
        label->setWordWrap(platformLabel->WordWrap());
    }
    SyncBounds();
}

void TLabelView::SyncFont() {
    TControlView::SyncFont();
    SyncBounds();
}

void TLabelView::SyncColor() {
    auto* label = dynamic_cast<platform::TLabel*>(&Control());
    if (label && label->Transparent()) return;
    TControlView::SyncColor();
}

void TLabelView::SyncBounds() {
    TControlView::SyncBounds();
    // An auto-sized label takes the width its text needs in the font actually used.
    auto* label = dynamic_cast<platform::TLabel*>(&Control());
    if (label && label->AutoSize() && !label->WordWrap()) {
        QSize needed = static_cast<QLabel*>(Widget())->sizeHint();
        Widget()->resize(std::max(needed.width(), Control().Width()),
                         std::max(needed.height(), Control().Height()));
    }
    FitScreenCode();
}

void TLabelView::FitScreenCode() {
    // A screen code ("PAG00901") is read whole: in a narrow panel its font shrinks to fit.
    if (Control().Name() != "lblCodTela") return;
    auto* label = static_cast<QLabel*>(Widget());
    QFont font = ToQFont(Control().Font());
    const int room = label->contentsRect().width();
    while (font.pixelSize() > 7 && QFontMetrics(font).horizontalAdvance(label->text()) > room)
        font.setPixelSize(font.pixelSize() - 1);
    label->setFont(font);
}

void TDBTextView::SyncText() {
    auto* label = static_cast<QLabel*>(Widget());
    label->setText(ToQString(Control().Text()));
}

// ---- Images ----

QWidget* TImageView::CreateWidget(QWidget* host) {
    auto* label = new QLabel(host);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

void TImageView::SyncAll() {
    TControlView::SyncAll();
    SyncPicture();
}

void TImageView::Changed(platform::TChange change) {
    if (change == platform::TChange::Picture && Widget()) SyncPicture();
    TControlView::Changed(change);
}

void TImageView::SyncPicture() {
    auto& image = static_cast<platform::TImage&>(Control());
    auto* label = static_cast<QLabel*>(Widget());
    label->setPixmap(QPixmap::fromImage(ToQImage(image.Picture(), image.Transparent())));
    label->setScaledContents(image.Stretch());
    label->setAlignment(image.Center() ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
}

// ---- Progress bars ----

QWidget* TProgressView::CreateWidget(QWidget* host) {
    auto* bar = new QProgressBar(host);
    bar->setFocusPolicy(Qt::NoFocus);
    bar->setTextVisible(false);
    return bar;
}

void TProgressView::SyncAll() {
    TControlView::SyncAll();
    SyncPosition();
}

void TProgressView::Changed(platform::TChange change) {
    if (change == platform::TChange::Position && Widget()) SyncPosition();
    TControlView::Changed(change);
}

void TProgressView::SyncPosition() {
    auto& progress = static_cast<platform::TProgressBar&>(Control());
    auto* bar = static_cast<QProgressBar*>(Widget());
    bar->setRange(progress.Min(), progress.Max());
    bar->setValue(progress.Position());
}

// ---- Tool buttons ----

QWidget* TSpeedButtonView::CreateWidget(QWidget* host) {
    auto* button = new QToolButton(host);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(QSize(16, 16));
    QObject::connect(button, &QToolButton::clicked, &context_, [this] {
        if (syncing_ > 0) return;
        platform::TControl& target = Control();
        Run([&target] { target.UserClick(); });
        if (Attached()) SyncLook();
    });
    return button;
}

void TSpeedButtonView::SyncAll() {
    TControlView::SyncAll();
    SyncLook();
}

void TSpeedButtonView::Changed(platform::TChange change) {
    if (Widget() && (change == platform::TChange::Picture || change == platform::TChange::Checked ||
                     change == platform::TChange::Other)) {
        ++syncing_;
        SyncLook();
        --syncing_;
    }
    TControlView::Changed(change);
}

void TSpeedButtonView::SyncText() {
    SyncLook();
}

void TSpeedButtonView::SyncLook() {
    auto& speed = static_cast<platform::TSpeedButton&>(Control());
    auto* button = static_cast<QToolButton*>(Widget());
    button->setAutoRaise(speed.Flat());
    QIcon icon;
    if (!speed.Glyph().Empty()) {
        // A glyph may hold several images side by side (up, disabled, down...): the first.
        int count = std::max(1, speed.NumGlyphs());
        QImage all = ToQImage(speed.Glyph(), true);
        icon = QIcon(QPixmap::fromImage(all.copy(0, 0, all.width() / count, all.height())));
    } else {
        icon = CommandIcon(speed.Name(), speed.Hint());
    }
    button->setIcon(icon);
    QString caption = ToQString(speed.Caption());
    button->setText(caption);
    button->setToolButtonStyle(icon.isNull()       ? Qt::ToolButtonTextOnly
                               : caption.isEmpty() ? Qt::ToolButtonIconOnly
                                                   : Qt::ToolButtonTextBesideIcon);
    button->setCheckable(speed.GroupIndex() != 0);
    button->setChecked(speed.Down());
}

// ---- Grid ----

QWidget* TGridControlView::CreateWidget(QWidget* host) {
    auto& grid = static_cast<platform::TDBGrid&>(Control());
    auto* view = new TGridView(
        grid, [](const std::function<void()>& action) { TRenderer::Run(action); }, host);
    return view;
}

TGridView* TGridControlView::GridView() const {
    return static_cast<TGridView*>(Widget());
}

void TGridControlView::SyncColor() {
    QColor color = ToQColor(Control().Color());
    if (!color.isValid()) return;
    QPalette palette = Widget()->palette();
    palette.setColor(QPalette::Base, color);
    Widget()->setPalette(palette);
}

void TGridControlView::Changed(platform::TChange change) {
    if (!Widget()) return;
    switch (change) {
    case platform::TChange::Columns: GridView()->ColumnsChanged(); break;
    case platform::TChange::Data: GridView()->DataChanged(); break;
    case platform::TChange::Scroll: GridView()->Scrolled(); break;
    default: break;
    }
    TControlView::Changed(change);
}

} // namespace desktop
