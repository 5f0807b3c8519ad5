#include "files/CompareForm.h"

#include "app/QtPorts.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>
#include <cstdlib>

namespace zolmar::gui {

namespace {

constexpr int kKeyRole = Qt::UserRole + 1;

QString text(const std::string& bytes) {
    return fromImageText(bytes);
}

QString value50(int raw) {
    return QString::fromStdString(Tables::TwoDecimals(raw));
}

QString kindLabel(const Comparison::Difference& d) {
    using Comparison::Kind;
    switch (d.kind) {
    case Kind::OnlyInA:
        return QStringLiteral("Only in the first");
    case Kind::OnlyInB:
        return QStringLiteral("Only in the second");
    case Kind::Moved:
        return QStringLiteral("Position");
    case Kind::Record:
        return QStringLiteral("Labels and marks");
    case Kind::Input:
    case Kind::Setting:
    case Kind::Wiring:
    case Kind::Property:
        return text(d.what);
    case Kind::Constant:
        return QStringLiteral("Constants");
    case Kind::Axes:
        return QStringLiteral("Table axes");
    case Kind::Cells:
        return QStringLiteral("Table cells");
    case Kind::PageName:
        return QStringLiteral("Page name");
    }
    return {};
}

// Red for a rise, blue for a fall, the stronger the larger the change.
QColor shade(int change, int largest) {
    if (change == 0 || largest <= 0)
        return QColor(Qt::white);
    const double t = std::min(1.0, std::abs(change) / static_cast<double>(largest));
    const int other = static_cast<int>(std::lround(255 - 175 * t));
    return change > 0 ? QColor(255, other, other) : QColor(other, other, 255);
}

} // namespace

// ---------------------------------------------------------------- table view

TTableCompareForm::TTableCompareForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TTableCompareForm"));
    setWindowTitle(QStringLiteral("Compare Table"));
    auto* layout = new QVBoxLayout(this);
    Caption = new QLabel(this);
    Caption->setWordWrap(true);
    layout->addWidget(Caption);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Show:"), this));
    Show = new QComboBox(this);
    Show->addItems(
        {QStringLiteral("Difference"), QStringLiteral("First"), QStringLiteral("Second")});
    row->addWidget(Show);
    row->addStretch();
    EditorButton = new QPushButton(QStringLiteral("Open in Table Editor"), this);
    row->addWidget(EditorButton);
    layout->addLayout(row);
    Grid = new QTableWidget(this);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(Grid);
    resize(760, 480);
    connect(Show, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    connect(EditorButton, &QPushButton::clicked, this, [this] {
        if (!a_ || !openTable)
            return;
        const int e = Comparison::ElementOf(*a_, difference_);
        if (e >= 0)
            openTable(e);
    });
}

void TTableCompareForm::showTable(const tECU& a, const tECU& b,
                                  const Comparison::Difference& difference, const QString& aTitle,
                                  const QString& bTitle) {
    a_ = &a;
    b_ = &b;
    difference_ = difference;
    aTitle_ = aTitle;
    bTitle_ = bTitle;
    refresh();
    show();
    raise();
}

void TTableCompareForm::refresh() {
    Grid->clear();
    if (!a_ || !b_)
        return;
    const Comparison::TablePair pair = Comparison::PairOfTables(*a_, *b_, difference_);
    QString caption = QStringLiteral("\"%1\": first %2, second %3.")
                          .arg(text(difference_.element), aTitle_, bTitle_);
    if (!pair.inA || !pair.inB)
        caption += QStringLiteral(" The table is only in the %1.")
                       .arg(pair.inA ? QStringLiteral("first") : QStringLiteral("second"));
    else if (!pair.sameCounts)
        caption += QStringLiteral(" The counts differ: cells are shown where both have one.");
    else
        caption += QStringLiteral(" Largest change %1.").arg(value50(pair.largestChange));
    Caption->setText(caption);
    EditorButton->setEnabled(pair.inA && openTable);
    Grid->setColumnCount(pair.columns);
    Grid->setRowCount(pair.rows);
    QStringList columns, rows;
    for (int16_t r : pair.horizontal)
        columns << value50(r);
    for (int16_t r : pair.vertical)
        rows << value50(r);
    if (rows.isEmpty())
        rows << QStringLiteral("Value");
    Grid->setHorizontalHeaderLabels(columns);
    Grid->setVerticalHeaderLabels(rows);
    const int mode = Show->currentIndex();
    for (int r = 0; r < pair.rows; ++r)
        for (int c = 0; c < pair.columns; ++c) {
            const size_t k =
                static_cast<size_t>(r) * static_cast<size_t>(pair.columns) + static_cast<size_t>(c);
            const int va = static_cast<int16_t>(pair.cellsA[k]);
            const int vb = static_cast<int16_t>(pair.cellsB[k]);
            const bool both =
                pair.inA && pair.inB && c < pair.shapeB.columns && r < pair.shapeB.rows;
            const int change = both ? vb - va : 0;
            QString shown;
            if (mode == 1)
                shown = pair.inA ? value50(va) : QString();
            else if (mode == 2)
                shown = both || !pair.inA ? value50(vb) : QString();
            else
                shown = both ? (change > 0 ? QStringLiteral("+") : QString()) + value50(change)
                             : QString();
            auto* item = new QTableWidgetItem(shown);
            item->setToolTip(QStringLiteral("%1 -> %2").arg(value50(va), value50(vb)));
            item->setBackground(shade(change, pair.largestChange));
            item->setForeground(QColor(Qt::black));
            Grid->setItem(r, c, item);
        }
    Grid->resizeColumnsToContents();
}

// ---------------------------------------------------------------- comparison window

TCompareForm::TCompareForm(tECU& ecu, Messages& messages, QWidget* parent)
    : QDialog(parent), ecu_(ecu), messages_(messages) {
    setObjectName(QStringLiteral("TCompareForm"));
    setWindowTitle(QStringLiteral("Compare"));
    auto* layout = new QVBoxLayout(this);
    Summary = new QLabel(this);
    Summary->setWordWrap(true);
    layout->addWidget(Summary);
    auto* filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Show:"), this));
    GroupFilter = new QComboBox(this);
    GroupFilter->addItems({QStringLiteral("All differences"), QStringLiteral("Tables"),
                           QStringLiteral("Constants"), QStringLiteral("Diagram"),
                           QStringLiteral("Dedicated settings")});
    filters->addWidget(GroupFilter);
    filters->addWidget(new QLabel(QStringLiteral("Name contains:"), this));
    NameFilter = new QLineEdit(this);
    filters->addWidget(NameFilter);
    layout->addLayout(filters);
    Tree = new QTreeWidget(this);
    Tree->setColumnCount(3);
    Tree->setHeaderLabels(
        {QStringLiteral("Difference"), QStringLiteral("First"), QStringLiteral("Second")});
    Tree->header()->setSectionResizeMode(QHeaderView::Interactive);
    layout->addWidget(Tree);
    auto* buttons = new QHBoxLayout;
    RefreshButton = new QPushButton(QStringLiteral("Compare Again"), this);
    TakeButton = new QPushButton(QStringLiteral("Take Checked from Second"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    buttons->addWidget(RefreshButton);
    buttons->addStretch();
    buttons->addWidget(TakeButton);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    resize(900, 600);
    tableView_ = new TTableCompareForm(this);

    connect(GroupFilter, &QComboBox::currentIndexChanged, this, [this] { fillTree(); });
    connect(NameFilter, &QLineEdit::textChanged, this, [this] { fillTree(); });
    connect(Tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { activate(item); });
    connect(RefreshButton, &QPushButton::clicked, this, [this] { refresh(); });
    connect(TakeButton, &QPushButton::clicked, this, [this] { takeChecked(); });
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
}

void TCompareForm::compare(std::unique_ptr<tECU> a, const QString& aTitle, std::unique_ptr<tECU> b,
                           const QString& bTitle) {
    tableView_->hide(); // it reads the configurations about to be replaced
    ownA_ = std::move(a);
    b_ = std::move(b);
    aTitle_ = aTitle;
    bTitle_ = bTitle;
    Tree->setHeaderLabels({QStringLiteral("Difference"), aTitle, bTitle});
    TakeButton->setVisible(comparesLoaded());
    TakeButton->setText(QStringLiteral("Take Checked from %1").arg(bTitle));
    refresh();
    show();
    raise();
    activateWindow();
}

void TCompareForm::refresh() {
    if (!b_) {
        report_ = {};
        fillTree();
        return;
    }
    report_ = Comparison::Compare(a(), *b_);
    fillTree();
    if (tableView_->isVisible())
        tableView_->refresh();
}

void TCompareForm::changeEvent(QEvent* event) {
    // Edits made elsewhere since are shown when the window comes back to the front.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && b_ && comparesLoaded())
        refresh();
    QDialog::changeEvent(event);
}

void TCompareForm::fillTree() {
    // Ticks survive a new comparison and a change of filter, by key.
    QSet<QString> ticked;
    for (QTreeWidgetItemIterator it(Tree); *it; ++it)
        if ((*it)->checkState(0) == Qt::Checked)
            ticked.insert((*it)->data(0, kKeyRole).toString());
    Tree->clear();
    const Comparison::Group groups[] = {Comparison::Group::All, Comparison::Group::Tables,
                                        Comparison::Group::Constants, Comparison::Group::Diagram,
                                        Comparison::Group::Settings};
    const int chosen = std::max(0, GroupFilter->currentIndex());
    const Comparison::Group group = groups[chosen];
    const QString filter = NameFilter->text().trimmed();
    QMap<int, QTreeWidgetItem*> pages;
    QMap<QString, QTreeWidgetItem*> elements;
    int shown = 0;
    for (size_t k = 0; k < report_.differences.size(); ++k) {
        const Comparison::Difference& d = report_.differences[k];
        if (group != Comparison::Group::All && Comparison::GroupOf(d.kind) != group)
            continue;
        const QString name = text(d.element);
        if (!filter.isEmpty() && !name.contains(filter, Qt::CaseInsensitive))
            continue;
        ++shown;
        QTreeWidgetItem*& page = pages[d.page];
        if (!page) {
            page = new QTreeWidgetItem(Tree);
            page->setText(
                0,
                QStringLiteral("Page %1: %2").arg(d.page + 1).arg(text(a().ExactNameOf(d.page))));
            page->setFirstColumnSpanned(true);
            page->setExpanded(true);
        }
        QTreeWidgetItem* parent = page;
        if (d.page >= 0 && d.kind != Comparison::Kind::PageName) {
            const QString elementId =
                QStringLiteral("%1|%2|%3|%4").arg(d.page).arg(d.type).arg(name).arg(d.occurrence);
            QTreeWidgetItem*& element = elements[elementId];
            if (!element) {
                element = new QTreeWidgetItem(page);
                QString caption =
                    QStringLiteral("\"%1\" (%2)")
                        .arg(name, QString::fromStdString(Comparison::TypeToken(d.type)));
                if (d.ambiguous)
                    caption += QStringLiteral(" - name not unique: matched by order (%1)")
                                   .arg(d.occurrence);
                element->setText(0, caption);
                element->setFirstColumnSpanned(true);
                element->setExpanded(true);
            }
            parent = element;
        }
        auto* item = new QTreeWidgetItem(parent);
        const QString key = QString::fromStdString(d.key);
        item->setData(0, kKeyRole, key);
        QString label = kindLabel(d);
        if (d.oldText.empty() && d.newText.empty())
            label += QStringLiteral(": ") + text(d.text);
        item->setText(0, label);
        item->setText(1, text(d.oldText));
        item->setText(2, text(d.newText));
        item->setToolTip(0, QString::fromStdString(d.key) + QStringLiteral(": ") + text(d.text));
        if (comparesLoaded()) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, ticked.contains(key) ? Qt::Checked : Qt::Unchecked);
        }
    }
    for (int c = 0; c < 3; ++c)
        Tree->resizeColumnToContents(c);
    QString summary;
    if (!b_)
        summary = QStringLiteral("Nothing compared.");
    else if (report_.equal())
        summary = QStringLiteral("%1 and %2 are equal.").arg(aTitle_, bTitle_);
    else
        summary = QStringLiteral("First: %1. Second: %2. %3 differences, %4 shown.")
                      .arg(aTitle_, bTitle_)
                      .arg(report_.differences.size())
                      .arg(shown);
    for (const std::string& line : report_.ambiguousNames)
        summary += QStringLiteral("\n") + text(line);
    Summary->setText(summary);
}

const Comparison::Difference* TCompareForm::differenceOf(QTreeWidgetItem* item) const {
    if (!item)
        return nullptr;
    const QVariant v = item->data(0, kKeyRole);
    if (!v.isValid())
        return nullptr;
    const std::string key = v.toString().toStdString();
    for (const Comparison::Difference& d : report_.differences)
        if (d.key == key)
            return &d;
    return nullptr;
}

std::vector<std::string> TCompareForm::checkedKeys() const {
    std::vector<std::string> keys;
    QTreeWidgetItemIterator it(Tree);
    for (; *it; ++it)
        if ((*it)->checkState(0) == Qt::Checked)
            if (const Comparison::Difference* d = differenceOf(*it))
                keys.push_back(d->key);
    return keys;
}

void TCompareForm::activate(QTreeWidgetItem* item) {
    const Comparison::Difference* d = differenceOf(item);
    if (!d && item && item->childCount() > 0)
        d = differenceOf(item->child(0)); // an element's row stands for its element
    if (!d || !b_)
        return;
    if (d->kind == Comparison::Kind::Cells || d->kind == Comparison::Kind::Axes) {
        tableView_->showTable(a(), *b_, *d, aTitle_, bTitle_);
        return;
    }
    if (d->page < 0)
        return;
    if (d->kind == Comparison::Kind::PageName) {
        if (goToPage && comparesLoaded())
            goToPage(d->part);
        return;
    }
    const int e = comparesLoaded() ? Comparison::ElementOf(ecu_, *d) : -1;
    if (e < 0) {
        messages_.information("\"" + d->element + "\" is not in the loaded configuration.");
        return;
    }
    if (goToElement)
        goToElement(e);
}

void TCompareForm::takeChecked() {
    if (!b_ || !comparesLoaded() || !takeFromOther)
        return;
    const std::vector<std::string> keys = checkedKeys();
    if (keys.empty()) {
        messages_.information("Tick the differences to take first.");
        return;
    }
    takeFromOther(*b_, keys);
    refresh();
}

} // namespace zolmar::gui
