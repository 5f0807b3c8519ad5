#include "files/RestorePointsForm.h"

#include "app/QtPorts.h"
#include "files/SettingsFile.h"

#include <QCheckBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace zolmar::gui {

namespace {

constexpr int kIndexRole = Qt::UserRole + 1;

QString timeText(int64_t ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

TRestorePointsForm::TRestorePointsForm(RestorePoints::Store& store, Messages& messages,
                                       Preferences& prefs, QWidget* parent)
    : QDialog(parent), store_(store), messages_(messages), prefs_(prefs) {
    setObjectName(QStringLiteral("TRestorePointsForm"));
    setWindowTitle(QStringLiteral("Restore Points"));
    auto* layout = new QVBoxLayout(this);
    List = new QTreeWidget(this);
    List->setColumnCount(3);
    List->setHeaderLabels(
        {QStringLiteral("Time"), QStringLiteral("Reason"), QStringLiteral("Belongs to")});
    List->setRootIsDecorated(false);
    List->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(List);
    auto* options = new QHBoxLayout;
    ShowAll = new QCheckBox(QStringLiteral("Show the points of every file and ECU"), this);
    options->addWidget(ShowAll);
    options->addStretch();
    options->addWidget(new QLabel(QStringLiteral("Keep at most (MB):"), this));
    LimitMB = new QSpinBox(this);
    LimitMB->setRange(1, 100000);
    LimitMB->setValue(static_cast<int>(
        RestorePoints::LimitFromPreference(prefs_.read(RestorePoints::kLimitPreference)) /
        (1024 * 1024)));
    options->addWidget(LimitMB);
    layout->addLayout(options);
    auto* buttons = new QHBoxLayout;
    CompareButton = new QPushButton(QStringLiteral("Compare with Loaded"), this);
    CompareTwoButton = new QPushButton(QStringLiteral("Compare Two Selected"), this);
    RestoreButton = new QPushButton(QStringLiteral("Restore ..."), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    buttons->addWidget(CompareButton);
    buttons->addWidget(CompareTwoButton);
    buttons->addStretch();
    buttons->addWidget(RestoreButton);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    resize(720, 420);

    connect(ShowAll, &QCheckBox::toggled, this, [this] { refill(); });
    connect(LimitMB, &QSpinBox::valueChanged, this, [this](int mb) {
        prefs_.write(RestorePoints::kLimitPreference, std::to_string(mb));
        store_.setLimit(static_cast<uint64_t>(mb) * 1024 * 1024);
    });
    connect(List, &QTreeWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(List, &QTreeWidget::itemDoubleClicked, this, [this] { compareWithLoaded(); });
    connect(CompareButton, &QPushButton::clicked, this, [this] { compareWithLoaded(); });
    connect(CompareTwoButton, &QPushButton::clicked, this, [this] { compareSelectedTwo(); });
    connect(RestoreButton, &QPushButton::clicked, this, [this] { restoreSelected(); });
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
}

QString TRestorePointsForm::pointTitle(const RestorePoints::Point& point) {
    return QStringLiteral("restore point of %1").arg(timeText(point.timeMs));
}

void TRestorePointsForm::open(const std::vector<std::string>& owners) {
    owners_ = owners;
    refill();
    show();
    raise();
    activateWindow();
}

void TRestorePointsForm::refill() {
    points_.clear();
    if (ShowAll->isChecked()) {
        points_ = store_.List();
    } else {
        for (const std::string& owner : owners_) {
            std::vector<RestorePoints::Point> some = store_.List(owner);
            points_.insert(points_.end(), some.begin(), some.end());
        }
        std::sort(points_.begin(), points_.end(),
                  [](const RestorePoints::Point& x, const RestorePoints::Point& y) {
                      return x.timeMs > y.timeMs;
                  });
    }
    List->clear();
    for (size_t k = 0; k < points_.size(); ++k) {
        const RestorePoints::Point& p = points_[k];
        auto* item = new QTreeWidgetItem(List);
        item->setText(0, timeText(p.timeMs));
        item->setText(1, QString::fromStdString(p.reason));
        item->setText(2, QString::fromStdString(RestorePoints::OwnerText(p.owner)));
        item->setData(0, kIndexRole, static_cast<int>(k));
    }
    List->resizeColumnToContents(0);
    List->resizeColumnToContents(1);
    if (List->topLevelItemCount() > 0)
        List->setCurrentItem(List->topLevelItem(0));
    updateButtons();
}

std::vector<RestorePoints::Point> TRestorePointsForm::selected() const {
    std::vector<std::pair<int, RestorePoints::Point>> chosen;
    for (QTreeWidgetItem* item : List->selectedItems()) {
        const int k = item->data(0, kIndexRole).toInt();
        if (k >= 0 && k < static_cast<int>(points_.size()))
            chosen.emplace_back(k, points_[static_cast<size_t>(k)]);
    }
    std::sort(chosen.begin(), chosen.end(),
              [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<RestorePoints::Point> out;
    for (auto& [k, p] : chosen)
        out.push_back(std::move(p));
    return out;
}

void TRestorePointsForm::updateButtons() {
    const size_t n = List->selectedItems().size();
    CompareButton->setEnabled(n == 1);
    CompareTwoButton->setEnabled(n == 2);
    RestoreButton->setEnabled(n == 1);
}

std::unique_ptr<tECU> TRestorePointsForm::load(const RestorePoints::Point& point) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!RestorePoints::Store::Load(point, bytes, error)) {
        messages_.error(error);
        return nullptr;
    }
    auto ecu = std::make_unique<tECU>(messages_);
    SettingsFile::toImage(*ecu, bytes);
    ecu->RebuildIndex(true, true);
    return ecu;
}

void TRestorePointsForm::compareWithLoaded() {
    const auto chosen = selected();
    if (chosen.size() != 1 || !compare)
        return;
    auto point = load(chosen[0]);
    if (!point)
        return;
    // The loaded configuration first, so that what the point had can be taken back.
    compare(nullptr, QStringLiteral("Loaded configuration"), std::move(point),
            pointTitle(chosen[0]));
}

void TRestorePointsForm::compareSelectedTwo() {
    const auto chosen = selected();
    if (chosen.size() != 2 || !compare)
        return;
    auto newer = load(chosen[0]);
    auto older = load(chosen[1]);
    if (!newer || !older)
        return;
    compare(std::move(older), pointTitle(chosen[1]), std::move(newer), pointTitle(chosen[0]));
}

void TRestorePointsForm::restoreSelected() {
    const auto chosen = selected();
    if (chosen.size() != 1 || !restore)
        return;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!RestorePoints::Store::Load(chosen[0], bytes, error)) {
        messages_.error(error);
        return;
    }
    const std::string question = "Replace the loaded configuration with the " +
                                 pointTitle(chosen[0]).toStdString() + " (" + chosen[0].reason +
                                 ")?\n\rThe loaded configuration is kept as a restore point first.";
    if (!messages_.askYesNo(Messages::Kind::Confirmation, question))
        return;
    restore(bytes);
    refill();
}

} // namespace zolmar::gui
