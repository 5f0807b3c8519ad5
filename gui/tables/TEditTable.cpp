#include "tables/TEditTable.h"

#include "app/QtPorts.h"
#include "tables/TMapOptionsForm.h"
#include "tables/TableCsv.h"
#include "tables/TableGraphic.h"

#include <algorithm>

#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QVBoxLayout>

namespace zolmar::gui {

using Tables::Axis;

namespace {

QColor qcolour(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

const char* const kTips =
    "GENERAL HINTS:\n\r - Use mouse or arrow keys to navigate cells\n\r - Hold the shift key to "
    "select a range of cells while using the arrow keys\n\r - Press Space to jump to the current "
    "cell\n\r - Press PgUp or PgDn to adjust cell/s by a small amount\n\r - Press Enter to confirm "
    "a new value, or ESC to abort\n\r - Use the 'interpolation' options to blend parts of a map "
    "(see keyboard shortcuts below)\n\r - Press F6 to change the orientation of a 3D map\n\r - "
    "Press F4 to cycle backwards through all of the maps in the configuration\n\r - Press F5 to "
    "cycle forwards through all of the maps in the configuration\n\r \n\rKEYBOARD SHORTCUTS:\n\r "
    "- Ctrl w -> Select All cells\n\r - Ctrl i -> Interpolate from corners\n\r - Ctrl x -> "
    "Interpolate rows\n\r - Ctrl y -> Interpolate columns\n\r - Ctrl t -> Mark as tuned\n\r - "
    "Ctrl u -> Mark as untuned\n\r - Ctrl p -> Add or subtract percentage\n\r - Ins -> Insert "
    "column\n\r - Del -> Delete column/s\n\r - Shift Ins -> Insert row\n\r - Shift Del -> Delete "
    "row/s\n\r - Ctrl c -> Copy cells\n\r - Ctrl v -> Paste cells\n\r - Ctrl e -> Export Table to "
    "a csv file\n\r";

const char* const kCsvFilter = "Comma Separated Values (*.csv)|*.csv|All Files (*.*)|*.*";

// The popup menu: caption and shortcut text, in order.
struct PopupItem {
    const char* caption;
    const char* shortcut;
};
constexpr PopupItem kPopup[] = {
    {"Select All", "Ctrl+W"},
    {"Interpolate from corners", "Ctrl+I"},
    {"Interpolate column (s)", "Ctrl+Y"},
    {"Interpolate row (s)", "Ctrl+X"},
    {"Mark as tuned", "Ctrl+T"},
    {"Mark as untuned", "Ctrl+U"},
    {"Add/Subtract percentage", "Ctrl+P"},
    {"Insert Column", "Ins"},
    {"Delete Column (s)", "Del"},
    {"Insert Row", "Shift+Ins"},
    {"Delete Row (s)", "Shift+Del"},
    {"Copy", "Ctrl+C"},
    {"Paste", "Ctrl+V"},
    {"Export Table to csv File", "Ctrl+E"},
    {"Import Table from csv File", ""},
    {"Tips for Using Tables", ""},
};

} // namespace

// ---------------------------------------------------------------- the graphic

class TableGraphicView : public QWidget {
public:
    TableGraphicView(TEditTable& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
        setMinimumHeight(120);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QImage image(size(), QImage::Format_RGB32);
        image.fill(palette().color(QPalette::Button));
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setFont(owner_.gridFont());
        const auto m = owner_.gridMetrics();
        const auto picture =
            TableGraphic::Draw(owner_.editor(), width(), height(), m.cellWidth, m.cellHeight);
        for (const auto& op : picture.ops) {
            switch (op.kind) {
            case TableGraphic::Op::Kind::Line:
                p.setPen(QPen(qcolour(op.colour), op.width));
                p.drawLine(op.p[0].x, op.p[0].y, op.p[1].x, op.p[1].y);
                break;
            case TableGraphic::Op::Kind::Triangle: {
                const QPoint points[3] = {
                    {op.p[0].x, op.p[0].y}, {op.p[1].x, op.p[1].y}, {op.p[2].x, op.p[2].y}};
                p.setPen(QPen(qcolour(op.colour), 1));
                p.setBrush(qcolour(op.fill));
                p.drawPolygon(points, 3);
                p.setBrush(Qt::NoBrush);
                break;
            }
            case TableGraphic::Op::Kind::Text:
                p.setPen(qcolour(op.colour));
                p.drawText(QPoint(op.p[0].x, op.p[0].y + p.fontMetrics().ascent()),
                           fromImageText(op.text));
                break;
            }
        }
        p.end();
        QPainter(this).drawImage(0, 0, image);
    }

private:
    TEditTable& owner_;
};

// ---------------------------------------------------------------- the grid

class TableGridView : public QWidget {
public:
    TableGridView(TEditTable& owner, TMapOptionsForm& options, QWidget* parent)
        : QWidget(parent), owner_(owner), options_(options) {
        setFocusPolicy(Qt::StrongFocus);
        setMinimumHeight(100);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        TableEditor& e = owner_.editor();
        QImage image(size(), QImage::Format_RGB32);
        const QColor face = palette().color(QPalette::Button);
        image.fill(face);
        QPainter p(&image);
        p.setFont(owner_.gridFont());
        const auto m = owner_.gridMetrics();
        const int w = m.cellWidth, h = m.cellHeight;
        const int ascent = p.fontMetrics().ascent();
        if (!e.IsOpen()) {
            p.end();
            QPainter(this).drawImage(0, 0, image);
            return;
        }
        const int visibleColumns = std::max(1, (width() - 60) / w);
        const int visibleRows = std::max(1, (height() - 30) / h - 1);
        const int lastColumn = std::min(e.Columns(), e.FirstColumn() + visibleColumns);
        const int lastRow = std::min(e.Rows(), e.FirstRow() + visibleRows);
        auto cellRect = [&](int a, int b) {
            return QRect(60 + (a + 1) * w, 30 + (b + 1) * h, w - 3, h - 3);
        };
        auto text = [&](const QRect& r, const QColor& colour, const std::string& t) {
            p.setPen(colour);
            p.drawText(r.topLeft() + QPoint(0, ascent), fromImageText(t));
        };
        // References: the horizontal row above, the vertical column beside (3D).
        for (int i = e.FirstColumn(); i < lastColumn; ++i)
            text(cellRect(i - e.FirstColumn(), -1), Qt::black,
                 tECU::ValueText50(e.Reference(Axis::Horizontal, i)));
        if (e.Is3D())
            for (int j = e.FirstRow(); j < lastRow; ++j)
                text(QRect(60, 30 + (j - e.FirstRow() + 1) * h, w - 3, h - 3), Qt::black,
                     tECU::ValueText50(e.Reference(Axis::Vertical, j)));
        TableEditor::Options o{options_.highlight(), options_.noShading()};
        for (int j = e.FirstRow(); j < lastRow; ++j)
            for (int i = e.FirstColumn(); i < lastColumn; ++i) {
                const QRect r = cellRect(i - e.FirstColumn(), j - e.FirstRow());
                p.fillRect(r, qcolour(e.CellBackground(i, j, o)));
                const bool entry = e.Entering() && i == e.CursorColumn() && j == e.CursorRow();
                text(r, qcolour(e.CellTextColour(i, j)), entry ? e.EntryText() : e.CellText(i, j));
            }
        // Axis captions with the live values in large red bold text.
        QFont bold = font();
        bold.setBold(true);
        bold.setPointSize(bold.pointSize() + 4);
        const int gridRight = 60 + (lastColumn - e.FirstColumn() + 1) * w;
        p.setFont(font());
        p.setPen(Qt::black);
        const QString hName = fromImageText(e.HorizontalName());
        const int hWidth = p.fontMetrics().horizontalAdvance(hName);
        const int hx = std::max(60 + w, (60 + w + gridRight - hWidth) / 2);
        p.drawText(hx, 8 + p.fontMetrics().ascent(), hName);
        p.setFont(bold);
        p.setPen(QColor(255, 0, 0));
        p.drawText(hx + hWidth + 12, 4 + p.fontMetrics().ascent(),
                   fromImageText(e.LiveText(Axis::Horizontal)));
        if (e.Is3D()) {
            // The vertical caption and its live value in the corner over the row references.
            p.setFont(font());
            p.setPen(Qt::black);
            const QString vName = p.fontMetrics().elidedText(fromImageText(e.VerticalName()),
                                                             Qt::ElideRight, 60 + w - 6);
            p.drawText(2, 2 + p.fontMetrics().ascent(), vName);
            p.setFont(bold);
            p.setPen(QColor(255, 0, 0));
            p.drawText(2, 14 + p.fontMetrics().ascent(), fromImageText(e.LiveText(Axis::Vertical)));
        }
        // The crosshair through the live values.
        p.setPen(QPen(Qt::black, 2));
        int x = 0, y = 0;
        const int gridBottom = 30 + (lastRow - e.FirstRow() + 1) * h;
        if (e.CrosshairX(m, x))
            p.drawLine(x, 30 + h, x, gridBottom);
        if (e.CrosshairY(m, y))
            p.drawLine(60 + w, y, gridRight, y);
        p.end();
        QPainter(this).drawImage(0, 0, image);
    }

    void mousePressEvent(QMouseEvent* event) override {
        TableEditor& e = owner_.editor();
        int column = 0, row = 0;
        e.CellAt(owner_.gridMetrics(), event->pos().x(), event->pos().y(), column, row);
        if (event->button() == Qt::LeftButton) {
            e.DiscardEntry();
            e.SetCursor(column, row, false);
            owner_.RedrawAll();
        } else if (event->button() == Qt::RightButton) {
            if (e.SingleCell())
                e.SetCursor(column, row, false);
            owner_.RedrawAll();
            owner_.popupMenu()->popup(mapToGlobal(event->pos()));
        }
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!(event->buttons() & Qt::LeftButton))
            return;
        dragTo(event->pos());
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            dragTo(event->pos());
    }
    void keyPressEvent(QKeyEvent* event) override {
        owner_.handleKey(event->key(), event->modifiers());
    }
    bool focusNextPrevChild(bool) override { return false; } // Tab stays in the grid
    void resizeEvent(QResizeEvent*) override {
        owner_.updateScrollBars();
        update();
    }

private:
    void dragTo(QPoint at) {
        TableEditor& e = owner_.editor();
        int column = 0, row = 0;
        e.CellAt(owner_.gridMetrics(), at.x(), at.y(), column, row);
        if (column != e.CursorColumn() || row != e.CursorRow()) {
            e.SetCursor(column, row, true);
            owner_.RedrawAll();
        }
    }

    TEditTable& owner_;
    TMapOptionsForm& options_;
};

// ---------------------------------------------------------------- the window

TEditTable::TEditTable(tECU& ecu, Messages& messages, FileDialogs& dialogs,
                       TMapOptionsForm& options, QWidget* parent)
    : QWidget(parent, Qt::Window), ecu_(ecu), messages_(messages), dialogs_(dialogs),
      options_(options), editor_(ecu) {
    setObjectName(QStringLiteral("TEditTable"));
    setWindowTitle(QStringLiteral("Table Element Properties"));
    gridFont_ = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    gridFont_.setPointSize(10);
    askInsertValue = [this](const QString& label, const QString& proposal) {
        return insertDialog(label, proposal);
    };
    askPercent = [this] { return percentDialog(); };

    auto* row = new QHBoxLayout(this);
    splitter_ = new QSplitter(Qt::Vertical, this);
    graphic_ = new TableGraphicView(*this, splitter_);
    // The grid scrolls by whole cells; the bars show that the table goes on.
    auto* gridArea = new QWidget(splitter_);
    auto* gridLayout = new QGridLayout(gridArea);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setSpacing(0);
    grid_ = new TableGridView(*this, options, gridArea);
    grid_->setObjectName(QStringLiteral("TableGrid"));
    HorzBar = new QScrollBar(Qt::Horizontal, gridArea);
    HorzBar->setObjectName(QStringLiteral("TableHorzBar"));
    VertBar = new QScrollBar(Qt::Vertical, gridArea);
    VertBar->setObjectName(QStringLiteral("TableVertBar"));
    for (QScrollBar* bar : {HorzBar, VertBar}) {
        bar->setFocusPolicy(Qt::NoFocus);
        bar->hide();
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            if (syncingBars_)
                return;
            editor_.SetFirstVisible(HorzBar->value(), VertBar->value());
            grid_->update();
        });
    }
    gridLayout->addWidget(grid_, 0, 0);
    gridLayout->addWidget(VertBar, 0, 1);
    gridLayout->addWidget(HorzBar, 1, 0);
    splitter_->addWidget(graphic_);
    splitter_->addWidget(gridArea);
    splitter_->setSizes({350, 300});
    connect(splitter_, &QSplitter::splitterMoved, this, [this] { RedrawAll(); });
    row->addWidget(splitter_, 1);

    auto* side = new QVBoxLayout();
    for (auto& label : summary_) {
        label = new QLabel(this);
        label->setFont(gridFont_);
        side->addWidget(label);
    }
    auto* prevNext = new QHBoxLayout();
    auto* prev = new QPushButton(QStringLiteral("Prev (F4)"), this);
    auto* next = new QPushButton(QStringLiteral("Next (F5)"), this);
    prev->setFocusPolicy(Qt::NoFocus);
    next->setFocusPolicy(Qt::NoFocus);
    connect(prev, &QPushButton::clicked, this, [this] { handleKey(Qt::Key_F4, {}); });
    connect(next, &QPushButton::clicked, this, [this] { handleKey(Qt::Key_F5, {}); });
    prevNext->addWidget(prev);
    prevNext->addWidget(next);
    side->addLayout(prevNext);
    MapTrace = new QCheckBox(QStringLiteral("Map Trace"), this);
    MapTrace->setObjectName(QStringLiteral("MapTrace"));
    MapTrace->setFocusPolicy(Qt::NoFocus);
    auto* clear = new QPushButton(QStringLiteral("Clear"), this);
    clear->setFocusPolicy(Qt::NoFocus);
    connect(clear, &QPushButton::clicked, this, [this] {
        editor_.ClearTrace();
        afterCommand();
    });
    auto* trace = new QHBoxLayout();
    trace->addWidget(MapTrace);
    trace->addWidget(clear);
    side->addLayout(trace);
    auto* tips = new QPushButton(QStringLiteral("Tips for Using Tables"), this);
    tips->setFocusPolicy(Qt::NoFocus);
    connect(tips, &QPushButton::clicked, this,
            [this] { runCommand(QStringLiteral("Tips for Using Tables")); });
    side->addWidget(tips);

    infoPanel_ = new QWidget(this);
    auto* info = new QGridLayout(infoPanel_);
    info->setContentsMargins(0, 0, 0, 0);
    const char* infoNames[] = {"Live Address", "Constant Address", "Config Address", "Index",
                               "Calc. Depth",  "Live Size",        "Constant Size",  "Config Size"};
    int k = 0;
    for (const char* name : infoNames) {
        info->addWidget(new QLabel(QString::fromUtf8(name), infoPanel_), k, 0);
        auto* value = new QLabel(infoPanel_);
        infoValues_.append(value);
        info->addWidget(value, k, 1);
        ++k;
    }
    side->addWidget(infoPanel_);
    CosPropsButton = new QPushButton(QStringLiteral("Cosmetic Properties"), this);
    CosPropsButton->setObjectName(QStringLiteral("CosPropsButton"));
    CosPropsButton->setFocusPolicy(Qt::NoFocus);
    connect(CosPropsButton, &QPushButton::clicked, this, [this] {
        if (openCosmetic && editor_.IsOpen())
            openCosmetic(editor_.Element());
        afterCommand();
    });
    side->addWidget(CosPropsButton);
    VisAdv = new QCheckBox(QStringLiteral("Visible only in adv.view"), this);
    VisAdv->setObjectName(QStringLiteral("VisAdv"));
    VisAdv->setFocusPolicy(Qt::NoFocus);
    connect(VisAdv, &QCheckBox::clicked, this, [this](bool ticked) {
        if (!editor_.IsOpen())
            return;
        const int at = ecu_.ElementLogicOffset[editor_.Element()] + 3;
        const uint8_t page = ecu_.ReadLogicByte(at);
        ecu_.WriteLogicByte(at, static_cast<uint8_t>(ticked ? (page | 0x80) : (page & 0x7F)), true);
        if (diagramChanged)
            diagramChanged();
        OpenTable(editor_.Element());
    });
    side->addWidget(VisAdv);
    side->addStretch(1);
    row->addLayout(side);

    buildPopup();
    connect(&options_, &TMapOptionsForm::changed, this, [this] { RedrawAll(); });
    resize(1000, 700);
    setAdvancedView(false);
}

TEditTable::~TEditTable() = default;

QWidget* TEditTable::grid() const {
    return grid_;
}

QWidget* TEditTable::graphic() const {
    return graphic_;
}

void TEditTable::buildPopup() {
    GridMenu = new QMenu(this);
    GridMenu->setObjectName(QStringLiteral("GridMenu"));
    for (const auto& item : kPopup) {
        QString caption = QString::fromUtf8(item.caption);
        QString text = caption;
        if (item.shortcut[0])
            text += QLatin1Char('\t') + QString::fromUtf8(item.shortcut);
        QAction* a = GridMenu->addAction(text);
        a->setData(caption);
        connect(a, &QAction::triggered, this, [this, caption] { runCommand(caption); });
    }
}

TableEditor::GridMetrics TEditTable::gridMetrics() const {
    QFontMetrics fm(gridFont_);
    TableEditor::GridMetrics m;
    m.cellHeight = fm.height() + 3;
    m.cellWidth = fm.horizontalAdvance(QStringLiteral("123456 "));
    m.width = grid_ ? grid_->width() : 600;
    m.height = grid_ ? grid_->height() : 300;
    return m;
}

void TEditTable::setAdvancedView(bool advanced) {
    advanced_ = advanced;
    CosPropsButton->setVisible(advanced);
    CosPropsButton->setEnabled(static_cast<bool>(openCosmetic));
    VisAdv->setVisible(advanced);
}

bool TEditTable::OpenTable(int element) {
    if (!editor_.Open(element))
        return false;
    showTable();
    show();
    growToShowTable();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    grid_->setFocus(Qt::OtherFocusReason);
    return true;
}

void TEditTable::showTable() {
    setWindowTitle(fromImageText(editor_.Caption()));
    const auto lines = editor_.SummaryLines();
    for (int k = 0; k < 3; ++k)
        summary_[k]->setText(fromImageText(lines[static_cast<size_t>(k)]));
    const auto info = editor_.InfoLabels();
    for (int k = 0; k < infoValues_.size() && k < static_cast<int>(info.size()); ++k)
        infoValues_[k]->setText(QString::fromStdString(info[static_cast<size_t>(k)].second));
    VisAdv->setChecked(ecu_.AdvancedOnly(editor_.Element()));
    setAdvancedView(advanced_);
    RedrawAll();
}

void TEditTable::RedrawAll() {
    updateScrollBars();
    graphic_->update();
    grid_->update();
}

void TEditTable::updateScrollBars() {
    if (syncingBars_ || !HorzBar)
        return;
    syncingBars_ = true;
    const auto m = gridMetrics();
    const bool open = editor_.IsOpen();
    const int columns = open ? editor_.VisibleColumns(m) : 1;
    const int rows = open ? editor_.VisibleRows(m) : 1;
    const int hidden[2] = {open ? editor_.Columns() - columns : 0,
                           open ? editor_.Rows() - rows : 0};
    const int first[2] = {editor_.FirstColumn(), editor_.FirstRow()};
    QScrollBar* bars[2] = {HorzBar, VertBar};
    for (int k = 0; k < 2; ++k) {
        bars[k]->setRange(0, std::max({0, hidden[k], first[k]}));
        bars[k]->setPageStep(k == 0 ? columns : rows);
        bars[k]->setValue(first[k]);
        bars[k]->setVisible(hidden[k] > 0 || first[k] > 0);
    }
    syncingBars_ = false;
}

void TEditTable::growToShowTable() {
    // Only ever larger, and only as far as the screen's free area goes. The window
    // is shown, so its layout has given the grid its real size.
    int wantWidth = 0, wantHeight = 0;
    editor_.WholeTableSize(gridMetrics(), wantWidth, wantHeight);
    const QSize grid = grid_->size();
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, width(), height());
    // The window frame takes some of the screen too.
    const int frameWidth = std::max(0, frameGeometry().width() - width());
    const int frameHeight = std::max(0, frameGeometry().height() - height());
    const int extraWidth = std::max(0, wantWidth - grid.width());
    const int extraHeight = std::max(0, wantHeight - grid.height());
    if (extraWidth == 0 && extraHeight == 0)
        return;
    const QSize target(
        std::max(width(), std::min(width() + extraWidth, area.width() - frameWidth)),
        std::max(height(), std::min(height() + extraHeight, area.height() - frameHeight)));
    if (target == size())
        return;
    const QList<int> before = splitter_->sizes();
    const int grown = target.height() - height();
    resize(target);
    // The grid takes the new height; the graphic keeps what it had.
    if (before.size() == 2)
        splitter_->setSizes({before[0], before[1] + grown});
    QPoint at = pos();
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - target.width())));
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - target.height())));
    move(at);
}

void TEditTable::PollHooks() {
    if (!editor_.IsOpen() || !isVisible())
        return;
    const auto change = editor_.LiveRefresh();
    if (change.both)
        RedrawAll();
    else if (change.grid)
        grid_->update();
    if (editor_.TraceStep(MapTrace->isChecked()))
        grid_->update();
}

void TEditTable::afterCommand() {
    editor_.ScrollToCursor(gridMetrics());
    RedrawAll();
    grid_->setFocus(Qt::OtherFocusReason);
}

void TEditTable::handleKey(int key, Qt::KeyboardModifiers mods) {
    if (!editor_.IsOpen())
        return;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    if (ctrl) {
        switch (key) {
        case Qt::Key_W:
            return runCommand(QStringLiteral("Select All"));
        case Qt::Key_I:
            return runCommand(QStringLiteral("Interpolate from corners"));
        case Qt::Key_Y:
            return runCommand(QStringLiteral("Interpolate column (s)"));
        case Qt::Key_X:
            return runCommand(QStringLiteral("Interpolate row (s)"));
        case Qt::Key_T:
            return runCommand(QStringLiteral("Mark as tuned"));
        case Qt::Key_U:
            return runCommand(QStringLiteral("Mark as untuned"));
        case Qt::Key_P:
            return runCommand(QStringLiteral("Add/Subtract percentage"));
        case Qt::Key_C:
            return runCommand(QStringLiteral("Copy"));
        case Qt::Key_V:
            return runCommand(QStringLiteral("Paste"));
        case Qt::Key_E:
            return runCommand(QStringLiteral("Export Table to csv File"));
        default:
            break;
        }
    }
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (!editor_.Entering())
            editor_.MoveCursor(key == Qt::Key_Left    ? -1
                               : key == Qt::Key_Right ? 1
                                                      : 0,
                               key == Qt::Key_Up     ? -1
                               : key == Qt::Key_Down ? 1
                                                     : 0,
                               shift);
        break;
    case Qt::Key_Space:
        if (editor_.LiveAvailable())
            editor_.SetCursor(editor_.LiveColumn(), editor_.LiveRow(), false);
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        editor_.DiscardEntry();
        step(
            "Nudge cells",
            [&] { editor_.Nudge((key == Qt::Key_PageUp ? 1 : -1) * (ctrl ? 5 : 50)); }, 1);
        break;
    case Qt::Key_Minus:
        editor_.TypeMinus();
        break;
    case Qt::Key_Period:
    case Qt::Key_Comma:
        // The keypad's decimal key gives the comma in some keyboard layouts.
        if (key == Qt::Key_Period || (mods & Qt::KeypadModifier))
            editor_.TypePoint();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        step(
            "Type cells", [&] { editor_.CommitEntry(); }, 2);
        break;
    case Qt::Key_Escape:
        editor_.DiscardEntry();
        break;
    case Qt::Key_F4:
    case Qt::Key_F5: {
        const int next = editor_.Neighbour(key == Qt::Key_F4 ? -1 : 1);
        if (next >= 0)
            editor_.Open(next);
        showTable();
        break;
    }
    case Qt::Key_F6:
        editor_.NextOrientation();
        break;
    case Qt::Key_Insert:
        insert(shift ? Axis::Vertical : Axis::Horizontal);
        break;
    case Qt::Key_Delete: {
        bool deleted = false;
        step(shift ? "Delete rows" : "Delete columns",
             [&] { deleted = editor_.DeleteSelected(shift ? Axis::Vertical : Axis::Horizontal); });
        if (deleted) {
            showTable();
            if (tablesChanged)
                tablesChanged();
        }
        break;
    }
    default:
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            editor_.TypeDigit(key - Qt::Key_0);
        break;
    }
    afterCommand();
}

void TEditTable::step(const std::string& what, const std::function<void()>& change, int mergeKind) {
    const int element = editor_.Element();
    if (!recordStep || element < 0) {
        change();
        return;
    }
    std::string name = ecu_.NameOf(Layout::kNumPages + element);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    // Typing (or nudging) into the same cells of the same table is one step.
    uint64_t key = 0;
    if (mergeKind != 0) {
        const auto r = editor_.Selection();
        key = ecu_.IdOf(element).value * 1000003u;
        for (int v : {r.a, r.b, r.c, r.d, mergeKind})
            key = (key ^ static_cast<uint64_t>(v + 1)) * 1099511628211ull;
    }
    recordStep(what + " in " + name, change, key);
}

bool TEditTable::event(QEvent* event) {
    // Ctrl+Y interpolates columns here, as it always has; redo is Ctrl+Shift+Z.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Y && key->modifiers() == Qt::ControlModifier) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void TEditTable::keyPressEvent(QKeyEvent* event) {
    handleKey(event->key(), event->modifiers());
}

void TEditTable::runCommand(const QString& caption) {
    if (!editor_.IsOpen())
        return;
    if (caption == QLatin1String("Select All")) {
        editor_.SelectAll();
    } else if (caption == QLatin1String("Interpolate from corners")) {
        step("Interpolate from corners", [&] { editor_.InterpolateCorners(); });
    } else if (caption == QLatin1String("Interpolate column (s)")) {
        step("Interpolate columns", [&] { editor_.InterpolateColumns(); });
    } else if (caption == QLatin1String("Interpolate row (s)")) {
        step("Interpolate rows", [&] { editor_.InterpolateRows(); });
    } else if (caption == QLatin1String("Mark as tuned") ||
               caption == QLatin1String("Mark as untuned")) {
        step(caption.toStdString(),
             [&] { editor_.MarkTuned(caption == QLatin1String("Mark as tuned")); });
        if (tablesChanged)
            tablesChanged();
    } else if (caption == QLatin1String("Add/Subtract percentage")) {
        percentage();
    } else if (caption == QLatin1String("Insert Column")) {
        insert(Axis::Horizontal);
    } else if (caption == QLatin1String("Insert Row")) {
        insert(Axis::Vertical);
    } else if (caption == QLatin1String("Delete Column (s)") ||
               caption == QLatin1String("Delete Row (s)")) {
        const Axis axis =
            caption.contains(QLatin1String("Column")) ? Axis::Horizontal : Axis::Vertical;
        bool deleted = false;
        step(axis == Axis::Horizontal ? "Delete columns" : "Delete rows",
             [&] { deleted = editor_.DeleteSelected(axis); });
        if (deleted) {
            showTable();
            if (tablesChanged)
                tablesChanged();
        }
    } else if (caption == QLatin1String("Copy")) {
        editor_.Copy(copy_);
    } else if (caption == QLatin1String("Paste")) {
        step("Paste cells", [&] { editor_.Paste(copy_); });
    } else if (caption == QLatin1String("Export Table to csv File")) {
        exportCsv();
    } else if (caption == QLatin1String("Import Table from csv File")) {
        importCsv();
    } else if (caption == QLatin1String("Tips for Using Tables")) {
        messages_.information(kTips);
    }
    afterCommand();
}

void TEditTable::insert(Axis axis) {
    std::string proposal;
    if (!editor_.BeginInsert(axis, proposal))
        return;
    const std::string& name =
        axis == Axis::Horizontal ? editor_.HorizontalName() : editor_.VerticalName();
    const QString label =
        QStringLiteral("Add new ") + fromImageText(name) +
        (axis == Axis::Horizontal ? QStringLiteral(" column:") : QStringLiteral(" row:"));
    QString text = QString::fromStdString(proposal);
    while (true) {
        std::optional<QString> typed = askInsertValue(label, text);
        if (!typed)
            return;
        auto result = TableEditor::InsertResult::Refused;
        step(axis == Axis::Horizontal ? "Insert column" : "Insert row",
             [&] { result = editor_.FinishInsert(axis, toImageText(*typed)); });
        if (result == TableEditor::InsertResult::TypeAgain) {
            text = *typed;
            continue;
        }
        if (result == TableEditor::InsertResult::Done) {
            showTable();
            if (tablesChanged)
                tablesChanged();
        }
        return;
    }
}

namespace {

// A small modal dialog: a label, one field, OK (default) and Cancel.
bool runFieldDialog(QWidget* parent, const QString& title, const QString& label, QWidget* field) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* column = new QVBoxLayout(&dialog);
    column->addWidget(new QLabel(label, &dialog));
    field->setParent(&dialog);
    column->addWidget(field);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    column->addWidget(buttons);
    field->setFocus();
    const bool accepted = dialog.exec() == QDialog::Accepted;
    field->setParent(nullptr);
    return accepted;
}

} // namespace

std::optional<QString> TEditTable::insertDialog(const QString& label, const QString& proposal) {
    QLineEdit edit(proposal);
    edit.setMaxLength(7);
    edit.setFont(gridFont_);
    edit.selectAll();
    if (!runFieldDialog(this, QStringLiteral("Insert ..."), label, &edit))
        return std::nullopt;
    return edit.text();
}

void TEditTable::percentage() {
    std::optional<int> amount = askPercent();
    if (!amount)
        return;
    bool changed = false;
    step("Change by " + std::to_string(*amount) + "%",
         [&] { changed = editor_.ChangeByPercent(*amount); });
    if (changed && tablesChanged)
        tablesChanged();
}

std::optional<int> TEditTable::percentDialog() {
    QSpinBox spin;
    spin.setRange(-100, 400);
    spin.setValue(0);
    if (!runFieldDialog(this, QStringLiteral("Change selection by..."),
                        QStringLiteral("Amount (%):"), &spin))
        return std::nullopt;
    return spin.value();
}

void TEditTable::exportCsv() {
    auto path = dialogs_.askSaveFile("Export table to csv file", kCsvFilter, "csv");
    if (!path || path->empty())
        return;
    std::string error;
    if (!TableCsv::ExportFile(ecu_, editor_.Element(), *path, error))
        messages_.error(error);
}

void TEditTable::importCsv() {
    auto path = dialogs_.askOpenFile("Import table from csv file", kCsvFilter);
    if (!path || path->empty())
        return;
    bool imported = false;
    step("Import table from csv",
         [&] { imported = TableCsv::ImportFile(ecu_, editor_.Element(), *path); });
    if (imported) {
        editor_.Reopen();
        showTable();
        if (tablesChanged)
            tablesChanged();
    }
}

void TEditTable::closeEvent(QCloseEvent* event) {
    editor_.Close();
    QWidget::closeEvent(event);
}

void TEditTable::hideEvent(QHideEvent* event) {
    if (editor_.IsOpen())
        editor_.Close();
    QWidget::hideEvent(event);
}

} // namespace zolmar::gui
