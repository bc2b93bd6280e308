#include "entry/ShowTable.h"

#include "core/Common.h"
#include "core/Controls.h"
#include "core/Unit1.h"
#include "entry/ControlRuns.h"
#include "entry/FrmList.h"
#include "entry/GridControls.h"
#include "entry/GridExcel.h"
#include "entry/GridModel.h"
#include "platform/Database.h"
#include "platform/Numbers.h"
#include "platform/Prompts.h"
#include "platform/office/Desktop.h"
#include "platform/office/XlsxReader.h"
#include "platform/office/XlsxWriter.h"

#include <QActionGroup>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The colours the users know from the printed forms and the earlier program.
const QColor kLine(0, 0, 0);
const QColor kCell(255, 255, 255);
const QColor kFocused(0, 255, 255);     // aqua: the focused cell and its headers
const QColor kPicked(0, 255, 0);        // lime: a cell picked for an expression
const QColor kUnsaved(255, 205, 205);   // a cell whose value could not be saved
const QColor kUncovered(232, 232, 232); // header area no title describes
const QColor kLeftSide(0, 0, 255);      // cells of the left side of a failed control
const QColor kRightSide(255, 0, 0);     // and of its right side

class FontMeasure final : public TextMeasure {
public:
    explicit FontMeasure(const QFontMetrics& fm) : m_fm(fm) {}
    int width(const QString& text) const override { return m_fm.horizontalAdvance(text); }
    int height() const override { return m_fm.height(); }

private:
    QFontMetrics m_fm;
};

QFont headerFont(const HeaderCell& cell, const QFont& fallback)
{
    QFont f = fallback;
    if (!cell.fontName.isEmpty())
        f.setFamily(cell.fontName);
    // The stored size is the size: no scaling by the screen's density.
    f.setPointSizeF(cell.fontSize > 0 ? cell.fontSize : 8);
    f.setBold(cell.bold);
    f.setItalic(cell.italic);
    return f;
}

} // namespace

// ---------------------------------------------------------------------------------------------

TableGridView::TableGridView(TVTable* window)
    : QAbstractScrollArea(window), m_window(window)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
}

TableGridView::~TableGridView() = default;

GridModel& TableGridView::model() const
{
    return m_window->model();
}

void TableGridView::tableChanged()
{
    m_headerFonts.clear();
    m_headerTexts.clear();
    for (const PlacedHeader& h : model().headers()) {
        const QFont f = headerFont(h.cell, font());
        m_headerFonts.append(f);
        m_headerTexts.append(layoutHeaderText(h.cell, h.rect.size(), FontMeasure(QFontMetrics(f, viewport()))));
    }
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
}

void TableGridView::updateScrollBars()
{
    const GridGeometry& g = model().geometry();
    const int w = std::max(0, viewport()->width() - g.headerWidth());
    const int h = std::max(0, viewport()->height() - g.headerHeight());
    horizontalScrollBar()->setRange(0, std::max(0, g.dataWidth() - w));
    horizontalScrollBar()->setPageStep(std::max(1, w));
    verticalScrollBar()->setRange(0, std::max(0, g.dataHeight() - h));
    verticalScrollBar()->setPageStep(std::max(1, h));
}

void TableGridView::ensureFocusedVisible()
{
    const GridGeometry& g = model().geometry();
    const QRect cell = g.dataCellRect(model().col(), model().row());
    const int w = viewport()->width() - g.headerWidth();
    const int h = viewport()->height() - g.headerHeight();
    QScrollBar* hs = horizontalScrollBar();
    QScrollBar* vs = verticalScrollBar();
    if (cell.left() < hs->value() || cell.width() >= w)
        hs->setValue(cell.left());
    else if (cell.right() + 1 > hs->value() + w)
        hs->setValue(cell.right() + 2 - w);
    if (cell.top() < vs->value() || cell.height() >= h)
        vs->setValue(cell.top());
    else if (cell.bottom() + 1 > vs->value() + h)
        vs->setValue(cell.bottom() + 2 - h);
}

void TableGridView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TableGridView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TableGridView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TableGridView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void TableGridView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    const QRect vp = viewport()->rect();
    p.fillRect(vp, palette().window());
    if (!model().isOpen())
        return;
    const GridGeometry& g = model().geometry();
    const int hw = g.headerWidth();
    const int hh = g.headerHeight();
    const int hs = horizontalScrollBar()->value();
    const int vs = verticalScrollBar()->value();
    paintCells(p, QRect(hw, hh, vp.width() - hw, vp.height() - hh), hw - hs, hh - vs);
    paintHeaders(p, HeaderPanel::ColumnHeaders, QRect(hw, 0, vp.width() - hw, hh), hw - hs, 0);
    paintHeaders(p, HeaderPanel::RowHeaders, QRect(0, hh, hw, vp.height() - hh), 0, hh - vs);
    paintHeaders(p, HeaderPanel::Corner, QRect(0, 0, hw, hh), 0, 0);
}

void TableGridView::paintHeaders(QPainter& p, HeaderPanel panel, const QRect& area, int dx, int dy)
{
    const GridModel& m = model();
    const GridGeometry& g = m.geometry();
    // The panel's own extent, lines included, in viewport pixels.
    QRect extent;
    switch (panel) {
    case HeaderPanel::Corner:
        extent = QRect(0, 0, g.headerWidth(), g.headerHeight());
        break;
    case HeaderPanel::ColumnHeaders:
        extent = QRect(dx - 1, 0, g.dataWidth() + 1, g.headerHeight());
        break;
    case HeaderPanel::RowHeaders:
        extent = QRect(0, dy - 1, g.headerWidth(), g.dataHeight() + 1);
        break;
    }
    const QRect clip = extent.intersected(area);
    if (clip.isEmpty())
        return;
    p.save();
    p.setClipRect(clip);
    p.fillRect(clip, kUncovered);
    const int focusedRow = m.layout().fixrows + m.row() + 1;
    const int focusedColumn = m.layout().fixcols + m.col() + 1;
    const QList<PlacedHeader>& headers = m.headers();
    for (qsizetype i = 0; i < headers.size(); ++i) {
        const PlacedHeader& h = headers[i];
        if (h.panel != panel)
            continue;
        const QRect r = h.rect.translated(dx, dy);
        const QRect framed = r.adjusted(-1, -1, 1, 1);
        if (!framed.intersects(clip))
            continue;
        const bool lit = (panel == HeaderPanel::RowHeaders && h.coversLayoutRow(focusedRow))
            || (panel == HeaderPanel::ColumnHeaders && h.coversLayoutColumn(focusedColumn));
        p.fillRect(framed, kLine);
        p.fillRect(r, lit ? kFocused : kCell);
        p.save();
        p.setClipRect(r.intersected(clip));
        p.setFont(m_headerFonts[i]);
        p.setPen(Qt::black);
        const int ascent = QFontMetrics(m_headerFonts[i], viewport()).ascent();
        const HeaderText& text = m_headerTexts[i];
        const bool turned = h.cell.chars.turned;
        for (const HeaderLine& line : text.lines) {
            if (!turned) {
                p.drawText(QPoint(r.x() + line.x, r.y() + line.top + ascent), line.text);
            } else if (panel == HeaderPanel::RowHeaders) {
                // Row headers never turn their font: the turned placement with upright letters.
                p.drawText(QPoint(r.x() + line.top, r.y() + text.length - line.x + ascent), line.text);
            } else {
                p.save();
                p.translate(r.x() + line.top, r.y() + text.length - line.x);
                p.rotate(-90);
                p.drawText(QPoint(0, ascent), line.text);
                p.restore();
            }
        }
        p.restore();
    }
    p.restore();
}

void TableGridView::paintCells(QPainter& p, const QRect& area, int dx, int dy)
{
    const GridModel& m = model();
    const GridGeometry& g = m.geometry();
    const QRect extent = QRect(dx - 1, dy - 1, g.dataWidth() + 1, g.dataHeight() + 1).intersected(area);
    if (extent.isEmpty() || m.columnCount() == 0 || m.rowCount() == 0)
        return;
    p.save();
    p.setClipRect(extent);
    p.fillRect(extent, kLine);
    const auto firstOf = [](int found, int fallback) { return found < 0 ? fallback : found; };
    const int c0 = firstOf(g.gridColumnAt(extent.left() - dx), 0);
    const int c1 = firstOf(g.gridColumnAt(extent.right() - dx), m.columnCount() - 1);
    const int r0 = firstOf(g.gridRowAt(extent.top() - dy), 0);
    const int r1 = firstOf(g.gridRowAt(extent.bottom() - dy), m.rowCount() - 1);
    QFont plain = font();
    QFont bold = plain;
    bold.setBold(true);
    const bool caret = hasFocus() && !m.readOnly();
    for (int c = c0; c <= c1; ++c) {
        for (int r = r0; r <= r1; ++r) {
            const QRect cell = g.dataCellRect(c, r).translated(dx, dy);
            if (cell.isEmpty())
                continue;
            const bool focused = c == m.col() && r == m.row();
            QColor background = kCell;
            if (m.isUnsaved(c, r))
                background = kUnsaved;
            if (m.isPicked(c, r))
                background = kPicked;
            if (focused)
                background = kFocused;
            p.fillRect(cell, background);
            if (m.isUnsaved(c, r)) {
                // A corner mark that stays visible when the cell has the focus.
                const QPoint tip = cell.topRight();
                const QPoint corner[] = {tip, tip + QPoint(-6, 0), tip + QPoint(0, 6)};
                p.setPen(Qt::NoPen);
                p.setBrush(kRightSide);
                p.drawPolygon(corner, 3);
                p.setBrush(Qt::NoBrush);
            }
            const GridModel::ErrorMark mark = m.errorMark(c, r);
            const CellTextFit fit = fitCellText(m.shownText(c, r),
                                                mark == GridModel::ErrorMark::None ? plain : bold,
                                                cell.width(), viewport());
            const QFontMetrics fitted(fit.font, viewport());
            if (!fit.text.isEmpty()) {
                p.setFont(fit.font);
                p.setPen(mark == GridModel::ErrorMark::Left    ? kLeftSide
                             : mark == GridModel::ErrorMark::Right ? kRightSide
                                                                   : QColor(Qt::black));
                p.drawText(cell, Qt::AlignCenter, fit.text);
            }
            if (focused && caret) {
                const int tw = std::min(fitted.horizontalAdvance(fit.text), cell.width() - 1);
                const int x = cell.x() + (cell.width() - tw) / 2 + tw;
                const int y = cell.y() + (cell.height() - fitted.height()) / 2 + 1;
                p.fillRect(QRect(x, y, 1, fitted.height()), Qt::black);
            }
        }
    }
    p.restore();
}

CellTextFit fitCellText(const QString& text, const QFont& font, int width, QPaintDevice* device)
{
    CellTextFit fit{text, font, false};
    const int room = width - 2;   // a pixel of air on either side of the figures
    if (text.isEmpty() || room <= 0)
        return fit;
    if (QFontMetrics(font, device).horizontalAdvance(text) <= room)
        return fit;
    // A smaller type first, down to two thirds of the size: the figure stays whole and readable.
    const qreal size = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
    for (qreal s = size - 0.5; s >= size * 2 / 3; s -= 0.5) {
        QFont smaller = font;
        smaller.setPointSizeF(s);
        if (QFontMetrics(smaller, device).horizontalAdvance(text) <= room) {
            fit.font = smaller;
            return fit;
        }
    }
    // Still too wide: the end of the figure is replaced by "…", so it never reads as another
    // number, and the tooltip tells the whole value.
    fit.font.setPointSizeF(size * 2 / 3);
    fit.text = QFontMetrics(fit.font, device).elidedText(text, Qt::ElideRight, room);
    fit.elided = true;
    return fit;
}

bool TableGridView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && model().isOpen()) {
        auto* help = static_cast<QHelpEvent*>(event);
        int c, r;
        if (cellAt(help->pos(), &c, &r)) {
            const QString text = model().shownText(c, r);
            const QRect cell = model().geometry().dataCellRect(c, r);
            QFont f = font();
            f.setBold(model().errorMark(c, r) != GridModel::ErrorMark::None);
            if (fitCellText(text, f, cell.width(), viewport()).elided) {
                QToolTip::showText(help->globalPos(), text, viewport());
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TableGridView::moveFocus(int c, int r)
{
    afterKey(model().moveTo(c, r), true);
}

void TableGridView::afterKey(const QString& error, bool moved)
{
    if (moved) {
        ensureFocusedVisible();
        m_window->showStatus();
    }
    viewport()->update();
    if (!error.isEmpty())
        m_window->saveFailed(error);
}

void TableGridView::keyPressEvent(QKeyEvent* event)
{
    GridModel& m = model();
    if (!m.isOpen()) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int key = event->key();
    if (mods & Qt::ControlModifier) {
        if (key == Qt::Key_E) {
            if (m.undo())
                viewport()->update();
            return;
        }
        if (key == Qt::Key_Delete || (key == Qt::Key_Period && (mods & Qt::KeypadModifier))) {
            if (m.clearEntry())
                viewport()->update();
            return;
        }
    }
    if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        event->ignore();
        return;
    }
    const GridGeometry& g = m.geometry();
    const int c = m.col();
    const int r = m.row();
    const int pageRows = [&] {
        const int h = viewport()->height() - g.headerHeight();
        const int rowPx = std::max(1, g.dataCellRect(c, r).height() + 1);
        return std::max(1, h / rowPx);
    }();
    switch (key) {
    case Qt::Key_Left: moveFocus(c - 1, r); return;
    case Qt::Key_Right: moveFocus(c + 1, r); return;
    case Qt::Key_Up: moveFocus(c, r - 1); return;
    case Qt::Key_Down: moveFocus(c, r + 1); return;
    case Qt::Key_PageUp: moveFocus(c, r - pageRows); return;
    case Qt::Key_PageDown: moveFocus(c, r + pageRows); return;
    case Qt::Key_Home: moveFocus(0, r); return;
    case Qt::Key_End: moveFocus(m.columnCount() - 1, r); return;
    default: break;
    }
    QChar ch;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        ch = QChar(13);
    else if (key == Qt::Key_Escape)
        ch = QChar(27);
    else if (key == Qt::Key_Backspace)
        ch = QChar(8);
    else if (!event->text().isEmpty())
        ch = event->text().front();
    if (ch.isNull()) {
        event->ignore();
        return;
    }
    const GridModel::KeyResult result = m.keyPress(ch);
    switch (result.outcome) {
    case GridModel::KeyOutcome::Close:
        m_window->closeAfterPutData();
        return;
    case GridModel::KeyOutcome::Moved:
        afterKey(result.error, true);
        return;
    case GridModel::KeyOutcome::Changed:
        viewport()->update();
        return;
    case GridModel::KeyOutcome::Refused:
        return;
    }
}

bool TableGridView::cellAt(const QPoint& pos, int* c, int* r) const
{
    const GridGeometry& g = model().geometry();
    if (pos.x() < g.headerWidth() || pos.y() < g.headerHeight())
        return false;
    *c = g.gridColumnAt(pos.x() - g.headerWidth() + horizontalScrollBar()->value());
    *r = g.gridRowAt(pos.y() - g.headerHeight() + verticalScrollBar()->value());
    return *c >= 0 && *r >= 0;
}

void TableGridView::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton || !model().isOpen())
        return;
    int c, r;
    if (cellAt(event->position().toPoint(), &c, &r))
        moveFocus(c, r);
}

void TableGridView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !model().isOpen())
        return;
    int c, r;
    if (!cellAt(event->position().toPoint(), &c, &r))
        return;
    moveFocus(c, r);
    m_window->StringGrid1DblClick();
}

// ---------------------------------------------------------------------------------------------

TVTable::TVTable(QWidget* parent)
    : QDialog(parent), m_model(std::make_unique<GridModel>())
{
    setObjectName(QStringLiteral("VTable"));
    // Maximised and without a close button: the table is left through "Выход" or Esc, which
    // commit the cell being typed into first.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    setWindowState(windowState() | Qt::WindowMaximized);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    buildMenu();
    layout->setMenuBar(MainMenu1);

    auto label = [this, layout](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        layout->addWidget(l);
        return l;
    };
    Label1 = label("Label1");
    Label3 = label("Label3");
    Label2 = label("Label2");
    QFont titleFont = Label3->font();
    titleFont.setBold(true);
    Label3->setFont(titleFont);
    Label2->setFont(titleFont);
    StringGrid1 = new TableGridView(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    layout->addWidget(StringGrid1, 1);
    Label4 = label("Label4");
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    VTable = this;
    FormCreate();
}

TVTable::~TVTable()
{
    if (VTable == this)
        VTable = nullptr;
}

void TVTable::buildMenu()
{
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    auto action = [this](QMenu* menu, const char* name, const QString& caption) {
        auto* a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        if (menu)
            menu->addAction(a);
        else
            MainMenu1->addAction(a);
        return a;
    };
    auto menu = [this](const char* name, const QString& caption) {
        auto* m = new QMenu(caption, this);
        m->setObjectName(QString::fromLatin1(name));
        MainMenu1->addMenu(m);
        return m;
    };
    N1 = action(nullptr, "N1", QStringLiteral("Пред. таблица"));
    N1->setToolTip(QStringLiteral("Перейти к предыдущей таблице - Shift+Tab"));
    N2 = action(nullptr, "N2", QStringLiteral("След. таблица"));
    N2->setToolTip(QStringLiteral("Перейти к следующей таблице - Tab"));
    N3 = action(nullptr, "N3", QStringLiteral("Контроль"));
    N3->setShortcut(QKeySequence(Qt::Key_F3));
    ErrorsMenu = menu("ErrorsMenu", QStringLiteral("Ошибки"));
    N7 = action(ErrorsMenu, "N7", QStringLiteral("Список"));
    N6 = action(ErrorsMenu, "N6", QStringLiteral("Корректировка"));
    N6->setCheckable(true);
    ErrorsMenu->menuAction()->setVisible(false);
    GroupMenu = menu("GroupMenu", QStringLiteral("Группировать"));
    N9 = action(GroupMenu, "N9", QStringLiteral("По столбцам"));
    N10 = action(GroupMenu, "N10", QStringLiteral("По строкам"));
    N9->setCheckable(true);
    N10->setCheckable(true);
    N10->setChecked(true);
    auto* grouping = new QActionGroup(this);
    grouping->setExclusive(true);
    grouping->addAction(N9);
    grouping->addAction(N10);
    GroupMenu->menuAction()->setVisible(false);
    N5 = action(nullptr, "N5", QStringLiteral("Очистить"));
    N11 = menu("N11", QStringLiteral("Разрезать"));
    N33 = action(N11, "N33", QStringLiteral("Ячейку"));
    N34 = action(N11, "N34", QStringLiteral("Строку"));
    N42 = action(N11, "N42", QStringLiteral("Графу"));
    N11->menuAction()->setVisible(false);
    N14 = action(nullptr, "N14", QStringLiteral("Пересчитать таблицу"));
    N14->setVisible(false);
    N35 = menu("N35", QStringLiteral("Подгрузить таблицу"));
    Excel2 = action(N35, "Excel2", QStringLiteral("Подгрузить из Excel"));
    N35->menuAction()->setVisible(false);
    Excel1 = menu("Excel1", QStringLiteral("В Excel"));
    N40 = action(Excel1, "N40", QStringLiteral("В новую книгу"));
    N41 = action(Excel1, "N41", QStringLiteral("В существующий файл"));
    FractionMenu = menu("FractionMenu", QStringLiteral("Нецелые"));
    N37 = action(FractionMenu, "N37", QStringLiteral("Да"));
    N38 = action(FractionMenu, "N38", QStringLiteral("Нет"));
    N37->setCheckable(true);
    N38->setCheckable(true);
    N18 = menu("N18", QStringLiteral("Настройка"));
    N15 = action(N18, "N15", QStringLiteral("Строка"));
    N16 = action(N18, "N16", QStringLiteral("Графа"));
    N18->menuAction()->setVisible(false);
    N4 = action(nullptr, "N4", QStringLiteral("Выход"));
    connect(N4, &QAction::triggered, this, &TVTable::N4Click);
    connect(N1, &QAction::triggered, this, &TVTable::N1Click);
    connect(N2, &QAction::triggered, this, &TVTable::N2Click);
    connect(N3, &QAction::triggered, this, &TVTable::N3Click);
    connect(N6, &QAction::triggered, this, &TVTable::N6Click);
    connect(N7, &QAction::triggered, this, &TVTable::N7Click);
    connect(N9, &QAction::triggered, this, &TVTable::N9Click);
    connect(N10, &QAction::triggered, this, &TVTable::N10Click);
    connect(N40, &QAction::triggered, this, &TVTable::N40Click);
    connect(N41, &QAction::triggered, this, &TVTable::N41Click);
    connect(Excel2, &QAction::triggered, this, &TVTable::Excel2Click);
}

void TVTable::FormCreate()
{
    const bool input = WorkMode == QStringLiteral("Input");
    const bool svod = WorkMode == QStringLiteral("Svod");
    N11->menuAction()->setVisible(!input);
    N14->setVisible(svod || NetMode);
    N34->setVisible(!NetMode);
    N35->menuAction()->setVisible(input || svod);
}

void TVTable::FormActivate()
{
    if (!TableShow())
        return;
    N11->menuAction()->setEnabled(NetMode || !InstitutionIdList.trimmed().isEmpty());
    holdBackUnbuiltCommands();
    showStatus();
}

void TVTable::holdBackUnbuiltCommands()
{
    for (QAction* a : {N5, N11->menuAction(), N14, FractionMenu->menuAction(), N18->menuAction()})
        a->setEnabled(false);
}

bool TVTable::TableShow()
{
    Label1->clear();
    ErrorsMenu->menuAction()->setVisible(false);
    const GridModel::OpenStatus status = m_model->open(dbmain(), dbdat(), SelectedTableNodeId,
                                                       CurrentFormName, CurrentFormNumber);
    if (status != GridModel::OpenStatus::Opened) {
        StringGrid1->tableChanged();
        if (status == GridModel::OpenStatus::Refused)
            prompts().error(m_model->loadError());
        else
            prompts().message(QStringLiteral("Таблица не определена!"));
        // Closed once the modal run is under way: a dialog closed while it is being shown
        // would leave its run waiting.
        QTimer::singleShot(0, this, [this] { QDialog::reject(); });
        return false;
    }
    const TableLayout& t = m_model->layout();
    CurrentTableId = t.ident;
    N37->setChecked(t.floatType);
    N38->setChecked(!t.floatType);
    N15->setText(t.scan == 0 ? QStringLiteral("Строка") : QStringLiteral("Графа"));
    N16->setText(t.scan == 0 ? QStringLiteral("Графа") : QStringLiteral("Строка"));
    // Where the grid shows sums or nobody's data, clearing, recalculating or loading the table
    // would write into whoever was chosen last.
    const bool writable = !m_model->readOnly();
    N5->setEnabled(writable);
    N14->setEnabled(writable);
    N35->menuAction()->setEnabled(writable);
    holdBackUnbuiltCommands();
    // Controls over cells that could not be loaded would report errors the data does not have.
    N3->setEnabled(m_model->loadError().isEmpty());
    StringGrid1->tableChanged();
    showStatus();
    StringGrid1->setFocus();
    if (!m_model->loadError().isEmpty())
        prompts().error(m_model->loadError());
    return true;
}

bool TVTable::PutData()
{
    const QString error = m_model->putData();
    StringGrid1->viewport()->update();
    if (error.isEmpty())
        return true;
    saveFailed(error);
    return false;
}

void TVTable::showStatus()
{
    Label4->setText(m_model->isOpen() ? m_model->statusText() : QString());
}

void TVTable::saveFailed(const QString& message)
{
    prompts().error(message);
}

void TVTable::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_firstShow) {
        m_firstShow = false;
        FormActivate();
    }
}

void TVTable::reject()
{
    closeAfterPutData();
}

void TVTable::N4Click()
{
    closeAfterPutData();
}

void TVTable::closeAfterPutData()
{
    QString error = m_model->putData();
    if (error.isEmpty() && m_model->hasUnsavedCells())
        error = m_model->saveUnsaved();
    StringGrid1->viewport()->update();
    if (!error.isEmpty()) {
        saveFailed(error);
        if (!prompts().question(QStringLiteral("Не все значения таблицы сохранены. Закрыть таблицу?")))
            return;
    }
    QDialog::reject();
}

// --- controls, error marks, table navigation, cell picking ------------------------------------

bool TVTable::correctionMode() const
{
    return N6->isChecked();
}

void TVTable::setCorrectionCaptions(bool on)
{
    N1->setText(on ? QStringLiteral("Пред. ошибка") : QStringLiteral("Пред. таблица"));
    N2->setText(on ? QStringLiteral("След. ошибка") : QStringLiteral("След. таблица"));
}

void TVTable::switchCorrectionOff()
{
    N6->setChecked(false);
    setCorrectionCaptions(false);
    m_errorIndex = 0;
    ClearErrorMarks();
}

void TVTable::ClearErrorMarks()
{
    m_model->clearErrorMarks();
    StringGrid1->viewport()->update();
    Label1->clear();
}

void TVTable::ShowCurrentError()
{
    if (m_errorIndex < 0 || m_errorIndex >= ControlErrors.size())
        return;
    const ControlError& error = ControlErrors.at(m_errorIndex);
    // The marks come from the cells the run read, so a line of another table marks nothing here.
    markErrorCells(*m_model, error, CurrentFormName, CurrentFormNumber);
    Label1->setText(error.text);
    // The correction is typed at once into the first cell the failed control read.
    if (const auto cell = firstErrorCell(*m_model, error, CurrentFormName, CurrentFormNumber)) {
        const QString saveError = m_model->moveTo(cell->first, cell->second);
        StringGrid1->ensureFocusedVisible();
        showStatus();
        if (!saveError.isEmpty())
            saveFailed(saveError);
    }
    StringGrid1->viewport()->update();
    StringGrid1->setFocus(Qt::OtherFocusReason);
}

void TVTable::N3Click()
{
    if (!m_model->isOpen())
        return;
    // A value that could not be saved still counts: the check is over what the grid shows.
    PutData();
    ClearControls();
    ControlErrors.clear();
    ErrorsMenu->menuAction()->setVisible(false);
    if (correctionMode())
        switchCorrectionOff();
    const GridRunOutcome outcome = runGridControls(dbmain(), SelectedTableNodeId, CurrentFormName,
                                                   CurrentFormNumber, CellValues);
    ErrorsMenu->menuAction()->setVisible(outcome.errors > 0);
    prompts().message(outcome.message);
    // The box took the focus: typing goes on in the cell the check started from.
    activateWindow();
    StringGrid1->setFocus(Qt::OtherFocusReason);
}

void TVTable::N7Click()
{
    PutData();
    ShowResultList(controlErrorsList(windowTitle() + QStringLiteral(" - ошибки контроля: ")
                                     + tableControlsHeading(CurrentFormName, CurrentFormNumber)));
    StringGrid1->setFocus();
}

void TVTable::N6Click()
{
    PutData();
    // The item has already taken its new check.
    const bool on = correctionMode();
    setCorrectionCaptions(on);
    m_errorIndex = 0;
    if (on)
        ShowCurrentError();
    else
        ClearErrorMarks();
}

void TVTable::N1Click()
{
    if (!correctionMode()) {
        moveToTable(-1);
        return;
    }
    if (m_errorIndex > 0) {
        ClearErrorMarks();
        --m_errorIndex;
        ShowCurrentError();
    }
}

void TVTable::N2Click()
{
    if (!correctionMode()) {
        moveToTable(1);
        return;
    }
    if (m_errorIndex < ControlErrors.size() - 1) {
        ClearErrorMarks();
        ++m_errorIndex;
        ShowCurrentError();
    }
}

void TVTable::moveToTable(int step)
{
    if (!FormList || !m_model->isOpen())
        return;
    const std::optional<TreeTablePlace> place =
        neighbourTable(FormList->tree(), SelectedTableNodeId, CurrentFormNumber, step);
    if (!place)
        return;
    QTreeWidgetItem* formNode = FormList->TreeView1->topLevelItem(place->form);
    QTreeWidgetItem* node = formNode ? formNode->child(place->table) : nullptr;
    const std::optional<GridOpening> opening = FormList->gridOpeningForNode(node);
    if (!opening)
        return;
    // Opening another table drops this one's values: a value not yet saved would be lost
    // without a word, so the table stays open until it is saved.
    if (!PutData())
        return;
    if (m_model->hasUnsavedCells()) {
        const QString error = m_model->saveUnsaved();
        StringGrid1->viewport()->update();
        if (!error.isEmpty()) {
            saveFailed(error);
            return;
        }
    }
    FormList->TreeView1->setCurrentItem(node);
    SelectedTableNodeId = opening->formId;
    CurrentFormNumber = opening->tableNumber;
    CurrentFormName = opening->formName;
    CurrentTableId = opening->tableId;
    Label3->setText(opening->formText);
    Label2->setText(opening->tableText);
    TableShow();
}

void TVTable::StringGrid1DblClick()
{
    // Only the expression builder picks: it shows the empty table of nobody's data.
    if (!m_model->isOpen() || m_model->showsNumbers())
        return;
    const int c = m_model->col();
    const int r = m_model->row();
    m_model->setPicked(c, r, !m_model->isPicked(c, r));
    StringGrid1->viewport()->update();
    BuildPickedExpression();
}

void TVTable::N9Click()
{
    N9->setChecked(true);
    BuildPickedExpression();
}

void TVTable::N10Click()
{
    N10->setChecked(true);
    BuildPickedExpression();
}

void TVTable::BuildPickedExpression()
{
    if (!m_model->isOpen())
        return;
    Label1->setText(buildPickedExpression(*m_model, N10->isChecked() ? PickGrouping::ByRows
                                                                      : PickGrouping::ByColumns));
}

// --- Excel ------------------------------------------------------------------------------------

namespace {

const QString kExcelDone = QStringLiteral("Вывод таблицы завершен. Ждите открытия Excel...");

} // namespace

void TVTable::N40Click()
{
    if (!m_model->isOpen() || !PutData())
        return;
    const QString name = gridSheetName(CurrentFormName, CurrentFormNumber);
    const ExcelWorkbook book = gridWorkbook(*m_model, name, windowTitle());
    QString error;
    if (!showWorkbook(book, name, &error)) {
        prompts().error(error);
        return;
    }
    prompts().message(kExcelDone);
}

void TVTable::N41Click()
{
    if (!m_model->isOpen() || !PutData())
        return;
    const QString path = prompts().openFileName(QStringLiteral("Выберите книгу Excel"),
                                                QStringLiteral("Книги Excel (*.xlsx *.xlsm *.xls)"));
    if (path.isEmpty())
        return;
    if (path.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive)) {
        prompts().error(QStringLiteral("Книга в старом формате .xls не может быть дополнена. "
                                       "Сохраните ее в Excel как книгу .xlsx и повторите."));
        return;
    }
    const QString name = gridSheetName(CurrentFormName, CurrentFormNumber);
    ExcelWorkbook book = gridWorkbook(*m_model, name, windowTitle());
    XlsxWriter writer;
    if (!writer.addSheetsToFile(path, book)) {
        prompts().error(writer.errorString());
        return;
    }
    QString error;
    if (!desktop().openDocument(path, &error)) {
        prompts().error(error);
        return;
    }
    prompts().message(kExcelDone);
}

void TVTable::Excel2Click()
{
    if (!m_model->isOpen() || m_model->readOnly() || !PutData())
        return;
    const QString path = prompts().openFileName(QStringLiteral("Выберите книгу Excel"),
                                                QStringLiteral("Книги Excel (*.xlsx *.xlsm)"));
    if (path.isEmpty())
        return;
    XlsxReader reader;
    if (!reader.read(path)) {
        prompts().error(reader.errorString());
        return;
    }
    QList<StoredValue> values;
    QString error;
    if (!readGridSheet(reader.workbook(), gridSheetName(CurrentFormName, CurrentFormNumber),
                       m_model->layout(), &values, &error)) {
        prompts().error(error);
        return;
    }
    try {
        replaceTableValues(dbdat(), m_model->context(), m_model->tableIdent(), values);
    } catch (const DbError& e) {
        prompts().error(QStringLiteral("Таблица не подгружена, прежние значения сохранены.\n") + e.userText());
        return;
    }
    TableShow();
}
