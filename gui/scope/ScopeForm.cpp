#include "scope/ScopeForm.h"

#include "app/QtPorts.h"
#include "model/ChoiceList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

namespace zolmar::gui {

using namespace scope;

namespace {

constexpr int kScreenX = 78; // the screen's left edge in the display area
constexpr int kScreenY = 20;
constexpr int kWidth = 480;
constexpr int kHeight = 576;
const QColor kChannelColours[4] = {QColor(255, 0, 0), QColor(0, 0, 255), QColor(0, 128, 0),
                                   QColor(128, 0, 128)};

const char* const kHelp =
    "OSCILLOSCOPE - HELP\n\n"
    "The ECU samples up to four signals, 256 samples each, around a trigger event; the "
    "scope fetches the capture and draws it.\n\n"
    "Channels: choose an input source for each. \"Live Value\" shows the output of any "
    "element (choose its page and element); the other sources are signals inside the "
    "ECU: knock and crank sensor inputs, trigger inputs, injection and ignition outputs "
    "(one row per bit) and the current engine angle. Scale and vertical offset set where "
    "a value trace lies; one division is 48 pixels.\n\n"
    "Trigger: the source and the level (or, for bit sets, the bit) that start a capture, "
    "on a rising or falling edge. The horizontal slider places the trigger within the "
    "capture. Normal waits for every trigger; Auto forces one when none comes; Single "
    "captures once and stops.\n\n"
    "Run starts capturing, Force Trigger captures at once, Accumulate draws captures over "
    "each other. The cursors A and B measure times on the screen.";

} // namespace

// The trace screen: the drawn captures with the cursors over them.
class ScopeScreen : public QWidget {
public:
    explicit ScopeScreen(QWidget* parent)
        : QWidget(parent), image(kWidth, kHeight, QImage::Format_RGB32) {
        setFixedSize(kWidth, kHeight);
        image.fill(Qt::white);
    }
    QImage image;
    int cursorA = 0;
    int cursorB = 0;
    bool showA = false;
    bool showB = false;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawImage(0, 0, image);
        p.setPen(QPen(Qt::black, 1));
        if (showA)
            p.drawLine(240 + 2 * cursorA, 0, 240 + 2 * cursorA, kHeight);
        if (showB)
            p.drawLine(240 + 2 * cursorB, 0, 240 + 2 * cursorB, kHeight);
    }
};

TScopeForm::TScopeForm(tECU& ecu, Messages& messages, QWidget* parent)
    : QWidget(parent, Qt::Window), ecu_(ecu), messages_(messages) {
    setObjectName(QStringLiteral("TScopeForm"));
    setWindowTitle(QStringLiteral("Scope"));
    auto* row = new QHBoxLayout(this);

    auto* display = new QWidget(this);
    display->setFixedSize(kScreenX + kWidth + 8, kScreenY + kHeight + 24);
    screen_ = new ScopeScreen(display);
    screen_->setObjectName(QStringLiteral("ScopeImage"));
    screen_->move(kScreenX, kScreenY);
    QFont small = font();
    small.setPixelSize(10);
    for (int k = 0; k < 4; ++k) {
        auto* m = new QLabel(QStringLiteral("  %1 >").arg(k + 1), display);
        m->setStyleSheet(QStringLiteral("color: %1").arg(kChannelColours[k].name()));
        m->setGeometry(kScreenX - 34, 0, 32, 14);
        markers_[static_cast<size_t>(k)] = m;
        auto* fixed = new QLabel(display);
        fixed->setFont(small);
        fixed->setStyleSheet(QStringLiteral("color: %1").arg(kChannelColours[k].name()));
        fixed->setGeometry(0, 0, 44, 12);
        fixed->hide();
        fixedLabels_[static_cast<size_t>(k)] = fixed;
    }
    for (int bit = 0; bit < 16; ++bit) {
        auto* lower = new QLabel(display);
        lower->setFont(small);
        lower->setGeometry(2, kScreenY + kLowerBand + 16 * bit - 12, 72, 12);
        lower_[static_cast<size_t>(bit)] = lower;
        auto* upper = new QLabel(display);
        upper->setFont(small);
        upper->setGeometry(2, kScreenY + kUpperBand + 16 * bit - 12, 72, 12);
        upper_[static_cast<size_t>(bit)] = upper;
    }
    TMarker = new QLabel(QStringLiteral("T"), display);
    TMarker->setGeometry(0, 2, 10, 14);
    AMarker = new QLabel(QStringLiteral("A"), display);
    BMarker = new QLabel(QStringLiteral("B"), display);
    AMarker->setGeometry(0, kScreenY + kHeight + 4, 10, 14);
    BMarker->setGeometry(0, kScreenY + kHeight + 4, 10, 14);
    row->addWidget(display, 0, Qt::AlignTop);

    auto* controls = new QVBoxLayout();
    auto* channels = new QGridLayout();
    for (int k = 0; k < 4; ++k)
        channels->addWidget(buildChannel(k), k / 2, k % 2);
    controls->addLayout(channels);
    controls->addWidget(buildTrigger());
    controls->addWidget(buildTiming());
    controls->addStretch(1);
    row->addLayout(controls, 1);

    // The ECU's capture holds 16 samples per division: no screen yet shows them.
    clock_.start();
    clearScreen();
}

QWidget* TScopeForm::buildChannel(int k) {
    auto* box = new QGroupBox(QStringLiteral("Channel %1").arg(k + 1), this);
    box->setStyleSheet(QStringLiteral("QGroupBox { color: %1 }").arg(kChannelColours[k].name()));
    auto* grid = new QGridLayout(box);
    auto* show = new QCheckBox(QStringLiteral("Show Ch%1").arg(k + 1), box);
    show->setChecked(true);
    shows_[static_cast<size_t>(k)] = show;
    grid->addWidget(show, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Input source"), box), 1, 0);
    auto* source = new QComboBox(box);
    for (const Source& s : Sources())
        source->addItem(QString::fromUtf8(s.caption));
    sources_[static_cast<size_t>(k)] = source;
    connect(source, &QComboBox::activated, this, [this, k](int item) { sourceChosen(k, item); });
    grid->addWidget(source, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Live Value Source"), box), 2, 0);
    auto* page = new QComboBox(box);
    pages_[static_cast<size_t>(k)] = page;
    connect(page, &QComboBox::activated, this, [this, k](int p) { fillElements(k, p, -1); });
    grid->addWidget(page, 2, 1);
    auto* element = new QComboBox(box);
    elements_[static_cast<size_t>(k)] = element;
    connect(element, &QComboBox::activated, this, [this, k](int) { elementChosen(k); });
    grid->addWidget(element, 3, 1);
    auto* scaleCaption = new QLabel(QStringLiteral("Scale"), box);
    scaleCaptions_[static_cast<size_t>(k)] = scaleCaption;
    grid->addWidget(scaleCaption, 4, 0);
    auto* scale = new QComboBox(box);
    for (const char* c : ScaleCaptions())
        scale->addItem(QString::fromUtf8(c));
    scales_[static_cast<size_t>(k)] = scale;
    connect(scale, &QComboBox::activated, this,
            [this, k](int index) { ScopeWrite::Scale(ecu_, k, index); });
    grid->addWidget(scale, 4, 1);
    auto* offsetCaption = new QLabel(QStringLiteral("Vertical offset"), box);
    offsetCaptions_[static_cast<size_t>(k)] = offsetCaption;
    grid->addWidget(offsetCaption, 5, 0);
    auto* offset = new QSlider(Qt::Horizontal, box);
    offset->setRange(-20, 20);
    offsets_[static_cast<size_t>(k)] = offset;
    connect(offset, &QSlider::valueChanged, this, [this, k](int value) {
        setMarker(k);
        if (!loading_)
            ScopeWrite::Offset(ecu_, k, value);
    });
    grid->addWidget(offset, 5, 1);
    return box;
}

QWidget* TScopeForm::buildTrigger() {
    auto* box = new QGroupBox(QStringLiteral("Trigger"), this);
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("Input source"), box), 0, 0);
    auto* source = new QComboBox(box);
    for (const Source& s : Sources())
        source->addItem(QString::fromUtf8(s.caption));
    sources_[4] = source;
    connect(source, &QComboBox::activated, this, [this](int item) { sourceChosen(4, item); });
    grid->addWidget(source, 0, 1);
    pages_[4] = new QComboBox(box);
    connect(pages_[4], &QComboBox::activated, this, [this](int p) { fillElements(4, p, -1); });
    grid->addWidget(pages_[4], 1, 1);
    elements_[4] = new QComboBox(box);
    connect(elements_[4], &QComboBox::activated, this, [this](int) { elementChosen(4); });
    grid->addWidget(elements_[4], 2, 1);
    TrigLevelCaption = new QLabel(QStringLiteral("Trigger Level:"), box);
    grid->addWidget(TrigLevelCaption, 3, 0);
    TrigLevel = new QSlider(Qt::Horizontal, box);
    TrigLevel->setRange(-600, 600);
    connect(TrigLevel, &QSlider::valueChanged, this, [this](int position) {
        TrigLevelMarker->setText(QString::number(-position));
        if (!loading_)
            ScopeWrite::TriggerLevel(ecu_, position);
    });
    grid->addWidget(TrigLevel, 3, 1);
    TrigLevelMarker = new QLabel(QStringLiteral("0"), box);
    grid->addWidget(TrigLevelMarker, 3, 2);
    BoolTrigCaption = new QLabel(QStringLiteral("Boolean Trigger Source:"), box);
    grid->addWidget(BoolTrigCaption, 4, 0);
    BoolTrigSource = new QComboBox(box);
    connect(BoolTrigSource, &QComboBox::activated, this,
            [this](int bit) { ScopeWrite::TriggerBit(ecu_, bit); });
    grid->addWidget(BoolTrigSource, 4, 1);
    FallingEdge = new QCheckBox(QStringLiteral("Falling edge"), box);
    connect(FallingEdge, &QCheckBox::toggled, this, [this](bool falling) {
        if (!loading_)
            ScopeWrite::Edge(ecu_, falling);
    });
    grid->addWidget(FallingEdge, 5, 1);
    return box;
}

QWidget* TScopeForm::buildTiming() {
    auto* box = new QGroupBox(QStringLiteral("Time base and capture"), this);
    auto* grid = new QGridLayout(box);
    TimeBase = new QComboBox(box);
    for (const char* c : TimebaseCaptions())
        TimeBase->addItem(QString::fromUtf8(c));
    TimeBase->setCurrentIndex(kDefaultTimebase);
    connect(TimeBase, &QComboBox::activated, this, [this](int index) {
        ScopeWrite::Timebase(ecu_, index);
        updateCursors();
    });
    grid->addWidget(TimeBase, 0, 0, 1, 2);
    HorizLabel = new QLabel(box);
    grid->addWidget(HorizLabel, 1, 0);
    HorizSlider = new QSlider(Qt::Horizontal, box);
    HorizSlider->setRange(0, 240);
    HorizSlider->setValue(120);
    connect(HorizSlider, &QSlider::valueChanged, this, [this](int position) {
        setHorizontal();
        if (!loading_)
            ScopeWrite::Horizontal(ecu_, position);
    });
    grid->addWidget(HorizSlider, 1, 1);
    TrigMode = new QComboBox(box);
    TrigMode->setObjectName(QStringLiteral("TrigMode"));
    TrigMode->addItems(
        {QStringLiteral("Normal"), QStringLiteral("Auto"), QStringLiteral("Single")});
    grid->addWidget(TrigMode, 2, 0);
    RunBox = new QCheckBox(QStringLiteral("Run"), box);
    connect(RunBox, &QCheckBox::clicked, this, &TScopeForm::RunClick);
    grid->addWidget(RunBox, 2, 1);
    auto* force = new QPushButton(QStringLiteral("Force Trigger"), box);
    connect(force, &QPushButton::clicked, this, &TScopeForm::ForceTriggerClick);
    grid->addWidget(force, 3, 0);
    Accumulate = new QCheckBox(QStringLiteral("Accumulate"), box);
    grid->addWidget(Accumulate, 3, 1);
    StatusLabel = new QLabel(QStringLiteral("STOPPED"), box);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    QFont bold = StatusLabel->font();
    bold.setBold(true);
    StatusLabel->setFont(bold);
    grid->addWidget(StatusLabel, 4, 0);
    CaptureAge = new QLabel(QStringLiteral("No capture"), box);
    CaptureAge->setObjectName(QStringLiteral("CaptureAge"));
    grid->addWidget(CaptureAge, 10, 0, 1, 2);
    auto* help = new QPushButton(QStringLiteral("HELP (F1)"), box);
    connect(help, &QPushButton::clicked, this, &TScopeForm::HelpClick);
    grid->addWidget(help, 4, 1);

    for (int k = 0; k < 2; ++k) {
        auto* show =
            new QCheckBox(k == 0 ? QStringLiteral("Show A") : QStringLiteral("Show B"), box);
        auto* slider = new QSlider(Qt::Horizontal, box);
        slider->setRange(-119, 119);
        connect(show, &QCheckBox::toggled, this, [this] { updateCursors(); });
        connect(slider, &QSlider::valueChanged, this, [this] { updateCursors(); });
        grid->addWidget(show, 5 + k, 0);
        grid->addWidget(slider, 5 + k, 1);
        (k == 0 ? ShowA : ShowB) = show;
        (k == 0 ? CursorA : CursorB) = slider;
    }
    CursorALabel = new QLabel(box);
    CursorBLabel = new QLabel(box);
    DeltaLabel = new QLabel(box);
    grid->addWidget(CursorALabel, 7, 0, 1, 2);
    grid->addWidget(CursorBLabel, 8, 0, 1, 2);
    grid->addWidget(DeltaLabel, 9, 0, 1, 2);
    setHorizontal();
    updateCursors();
    return box;
}

const QImage& TScopeForm::screen() const {
    return screen_->image;
}

int TScopeForm::itemOf(int list) const {
    return sources_[static_cast<size_t>(list)]->currentIndex();
}

std::array<int, 4> TScopeForm::channelItems() const {
    return {itemOf(0), itemOf(1), itemOf(2), itemOf(3)};
}

void TScopeForm::fillPages(int list) {
    ChoiceList pages;
    ecu_.FillPageList(pages);
    QComboBox* combo = pages_[static_cast<size_t>(list)];
    QSignalBlocker block(combo);
    combo->clear();
    for (const auto& item : pages.items)
        combo->addItem(fromImageText(item));
}

void TScopeForm::fillElements(int list, int page, int liveAddress) {
    QComboBox* combo = elements_[static_cast<size_t>(list)];
    auto& offered = offered_[static_cast<size_t>(list)];
    QSignalBlocker block(combo);
    combo->clear();
    offered.clear();
    int selected = -1;
    for (int i = 0; i < ecu_.NumElements; ++i) {
        if (ecu_.PageOf(i) != page)
            continue;
        const int outputs = ecu_.OutputCount(ecu_.TypeOf(i));
        for (int k = 0; k < outputs; ++k) {
            const int address = ecu_.ElementLiveOffset[i] + 2 * k;
            if (address == liveAddress)
                selected = static_cast<int>(offered.size());
            offered.push_back({ElementRef(ecu_, i), k});
            combo->addItem(fromImageText(ecu_.OutputName(i, k, false)));
        }
    }
    combo->setCurrentIndex(selected);
}

void TScopeForm::selectLiveAddress(int list, int liveAddress) {
    int page = -1;
    for (int i = 0; i < ecu_.NumElements && page < 0; ++i) {
        const int first = ecu_.ElementLiveOffset[i];
        if (liveAddress >= first && liveAddress < first + 2 * ecu_.OutputCount(ecu_.TypeOf(i)))
            page = ecu_.PageOf(i);
    }
    QComboBox* pages = pages_[static_cast<size_t>(list)];
    QSignalBlocker block(pages);
    pages->setCurrentIndex(page < 0 ? 0 : page);
    fillElements(list, page < 0 ? 0 : page, page < 0 ? -1 : liveAddress);
}

void TScopeForm::applyVisibility(int list) {
    const int item = itemOf(list);
    const bool live = item == 0;
    pages_[static_cast<size_t>(list)]->setEnabled(live);
    elements_[static_cast<size_t>(list)]->setEnabled(live);
    if (list == 4) {
        showTriggerKind();
        return;
    }
    const auto k = static_cast<size_t>(list);
    const bool scaled = item >= 0 && item <= 6;
    const bool shifted = scaled || item == 14;
    scales_[k]->setVisible(scaled);
    scaleCaptions_[k]->setVisible(scaled);
    offsets_[k]->setVisible(shifted);
    offsetCaptions_[k]->setVisible(shifted);
    setMarker(list);
    const std::string fixed = FixedLabel(item);
    fixedLabels_[k]->setText(QString::fromStdString(fixed));
    fixedLabels_[k]->setVisible(!fixed.empty());
}

void TScopeForm::showTriggerKind() {
    const int item = itemOf(4);
    const bool value = !IsBitSet(item);
    TrigLevel->setVisible(value);
    TrigLevelCaption->setVisible(value);
    TrigLevelMarker->setVisible(value);
    BoolTrigCaption->setVisible(!value);
    BoolTrigSource->setVisible(!value);
    if (!value) {
        QSignalBlocker block(BoolTrigSource);
        BoolTrigSource->clear();
        for (const std::string& name : BitNames(item, false))
            BoolTrigSource->addItem(name.empty() ? QStringLiteral(" ")
                                                 : QString::fromStdString(name));
        const auto stored = static_cast<int16_t>(ecu_.ReadConstWord(ScopeMap::kTriggerLevel));
        BoolTrigSource->setCurrentIndex(TriggerBitIndex(stored));
    }
}

void TScopeForm::sourceChosen(int list, int item) {
    if (item < 0)
        return;
    uint16_t code = Sources()[static_cast<size_t>(item)].code;
    if (item == 0) {
        const int element = elements_[static_cast<size_t>(list)]->currentIndex();
        const auto& offered = offered_[static_cast<size_t>(list)];
        code = kNoLiveValue;
        if (element >= 0 && element < static_cast<int>(offered.size())) {
            const OfferedOutput& o = offered[static_cast<size_t>(element)];
            const int now = o.element.index(ecu_);
            if (now >= 0)
                code = static_cast<uint16_t>((ecu_.ElementLiveOffset[now] + 2 * o.output) / 2);
        }
    }
    if (list == 4)
        ScopeWrite::TriggerSource(ecu_, code);
    else
        ScopeWrite::ChannelSource(ecu_, list, code);
    applyVisibility(list);
    setBands();
}

void TScopeForm::elementChosen(int list) {
    if (itemOf(list) == 0)
        sourceChosen(list, 0);
}

void TScopeForm::setBands() {
    const auto items = cycle_.CaptureShown() ? shownItems_ : channelItems();
    const auto bands = LabelBands(items);
    bool lowerSet = false;
    bool upperSet = false;
    for (auto& label : lower_)
        label->clear();
    for (auto& label : upper_)
        label->clear();
    for (size_t k = 0; k < 4; ++k) {
        if (bands[k] == 0)
            continue;
        const bool upper = bands[k] == kUpperBand;
        // A band shows the names of the first channel that it holds.
        if (upper ? upperSet : lowerSet)
            continue;
        (upper ? upperSet : lowerSet) = true;
        const auto names = BitNames(items[k], true);
        auto& labels = upper ? upper_ : lower_;
        for (size_t bit = 0; bit < 16; ++bit)
            labels[bit]->setText(QString::fromStdString(names[bit]));
    }
}

void TScopeForm::setMarker(int channel) {
    const auto k = static_cast<size_t>(channel);
    const int position = offsets_[k]->value();
    QLabel* marker = markers_[k];
    marker->move(kScreenX - 34, kScreenY + 281 + 48 * position - 7);
    marker->setToolTip(QStringLiteral("%1 div").arg(-position));
    const int item = itemOf(channel);
    marker->setVisible(position >= -5 && position <= 6 && ((item >= 0 && item <= 6) || item == 14));
    fixedLabels_[k]->move(kScreenX + kWidth - 46, kScreenY + 281 + 48 * position - 14);
}

void TScopeForm::setHorizontal() {
    const int position = HorizSlider->value();
    HorizLabel->setText(QStringLiteral("Horizontal: (%1 div)")
                            .arg(QString::number((position - 120) / 24.0, 'f', 2)));
    TMarker->move(kScreenX + 2 * position - 3, 2);
}

void TScopeForm::updateCursors() {
    const int timebase = TimeBase->currentIndex();
    const int a = CursorA->value();
    const int b = CursorB->value();
    CursorALabel->setText(QStringLiteral("Cursor A = ") +
                          QString::fromStdString(CursorTime(a, timebase)));
    CursorBLabel->setText(QStringLiteral("Cursor B = ") +
                          QString::fromStdString(CursorTime(b, timebase)));
    DeltaLabel->setText(QStringLiteral("Delta AB = ") +
                        QString::fromStdString(CursorTime(b - a, timebase)));
    AMarker->move(kScreenX + 240 + 2 * a - 4, AMarker->y());
    BMarker->move(kScreenX + 240 + 2 * b - 4, BMarker->y());
    AMarker->setVisible(ShowA->isChecked());
    BMarker->setVisible(ShowB->isChecked());
    screen_->cursorA = a;
    screen_->cursorB = b;
    screen_->showA = ShowA->isChecked();
    screen_->showB = ShowB->isChecked();
    screen_->update();
}

void TScopeForm::LoadScopeSettings() {
    if (ecu_.ScopeSettingsLoaded)
        return;
    ecu_.ScopeSettingsLoaded = true;
    const bool modified = ecu_.Modified;
    loading_ = true;
    const ScopeSettings s = ScopeSettings::Read(ecu_);
    for (int list = 0; list < 5; ++list) {
        const uint16_t code = list == 4 ? s.triggerSource : s.source[static_cast<size_t>(list)];
        const int item = ItemOfCode(code);
        fillPages(list);
        QComboBox* source = sources_[static_cast<size_t>(list)];
        if (item == 0) {
            source->setCurrentIndex(0);
            selectLiveAddress(list, code == kNoLiveValue ? 0 : 2 * code);
        } else if (item > 0) {
            source->setCurrentIndex(item);
        }
        if (list < 4) {
            const auto k = static_cast<size_t>(list);
            offsets_[k]->setValue(s.offset[k] < -20 ? -20 : s.offset[k] > 20 ? 20 : s.offset[k]);
            scales_[k]->setCurrentIndex(s.scale[k] < kScales ? s.scale[k] : 0);
        }
        applyVisibility(list);
    }
    TrigLevel->setValue(TriggerLevelPosition(s.triggerLevel));
    TrigLevelMarker->setText(QString::number(-TrigLevel->value()));
    setBands();
    TimeBase->setCurrentIndex(s.timebase);
    FallingEdge->setChecked(s.falling);
    HorizSlider->setValue(s.horizontal < 0 ? 0 : s.horizontal > 240 ? 240 : s.horizontal);
    setHorizontal();
    updateCursors();
    angleReference_ = AngleReference(ecu_);
    loading_ = false;
    ecu_.Modified = modified;
    clearScreen();
}

void TScopeForm::clearScreen() {
    paintGrid();
    cycle_.ForgetCapture();
    setBands();
}

void TScopeForm::paintGrid() {
    QImage& image = screen_->image;
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 1));
    for (int x = 48; x < kWidth; x += 48)
        p.drawLine(x, 0, x, kHeight);
    for (int y = 48; y < kHeight; y += 48)
        p.drawLine(0, y, kWidth, y);
    p.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 1));
    for (int y = 0; y < kHeight; y += 12)
        p.drawLine(237, y, 244, y);
    for (int x = 0; x < kWidth; x += 12)
        p.drawLine(x, 285, x, 292);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(1, 1, kWidth - 2, kHeight - 2);
    screen_->update();
}

void TScopeForm::drawChannels(const std::array<int, 4>& items) {
    const ScopeSettings settings = ScopeSettings::Read(ecu_);
    const auto bands = LabelBands(items);
    QPainter p(&screen_->image);
    for (int k = 0; k < 4; ++k) {
        if (!shows_[static_cast<size_t>(k)]->isChecked())
            continue;
        p.setPen(QPen(kChannelColours[k], 1));
        const int item = items[static_cast<size_t>(k)];
        std::vector<std::vector<TracePoint>> lines;
        if (IsBitSet(item)) {
            const uint16_t mask = Sources()[static_cast<size_t>(item)].bits;
            for (int bit = 0; bit < 16; ++bit)
                if (mask & (1u << bit))
                    lines.push_back(BitTrace(ecu_, k, bit, bands[static_cast<size_t>(k)]));
        } else {
            lines.push_back(Trace(ecu_, k, item, settings, angleReference_));
        }
        for (const auto& line : lines) {
            QPolygon polygon;
            for (const TracePoint& point : line)
                polygon << QPoint(point.x, std::clamp(point.y, -10000, 10000));
            p.drawPolyline(polygon);
        }
    }
    screen_->update();
}

void TScopeForm::ScopeCycle() {
    if (!isVisible())
        return;
    scope::ScopeCycle::Controls controls;
    controls.mode = TrigMode->currentIndex();
    controls.run = RunBox->isChecked();
    for (size_t k = 0; k < 4; ++k)
        controls.shown[k] = shows_[k]->isChecked();
    controls.items = channelItems();
    controls.nowMs = static_cast<uint32_t>(clock_.elapsed());
    const auto result = cycle_.Cycle(ecu_, controls, Accumulate->isChecked());
    if (result.forceTrigger)
        WriteModeWord(driver ? driver() : nullptr, ScopeMap::kForce);
    if (result.untickRun)
        RunBox->setChecked(false);
    StatusLabel->setText(QString::fromStdString(result.status));
    if (result.draw) {
        // The capture just fetched replaces the screen: the grid, not a forgotten capture.
        if (result.clear)
            paintGrid();
        drawChannels(result.items);
        shownItems_ = result.items;
        setBands();
        if (result.rearm)
            WriteModeWord(driver ? driver() : nullptr, ScopeMap::kArm);
    }
    CaptureAge->setText(QString::fromStdString(cycle_.CaptureAgeText(controls.nowMs)));
}

void TScopeForm::RunClick(bool ticked) {
    if (!ticked)
        return;
    clearScreen();
    if (TrigMode->currentIndex() == scope::ScopeCycle::Single)
        WriteModeWord(driver ? driver() : nullptr, ScopeMap::kArm);
}

void TScopeForm::ForceTriggerClick() {
    WriteModeWord(driver ? driver() : nullptr, ScopeMap::kForce);
}

void TScopeForm::HelpClick() {
    messages_.information(kHelp);
}

void TScopeForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    LoadScopeSettings();
}

void TScopeForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    cycle_.Abandon(ecu_);
    ecu_.ScopeSettingsLoaded = false;
}

} // namespace zolmar::gui
