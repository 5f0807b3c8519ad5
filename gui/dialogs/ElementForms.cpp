#include "dialogs/ElementForms.h"

#include "app/QtPorts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace zolmar::gui {

namespace {

QString q(const std::string& text) {
    return fromImageText(text);
}

QStringList listOf(const std::vector<std::string>& items) {
    QStringList list;
    for (const auto& s : items)
        list << q(s);
    return list;
}

// OK (default) and, where the dialog has one, Cancel.
QHBoxLayout* buttonRow(QDialog* dialog, QPushButton*& ok, QPushButton** cancel) {
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    row->addWidget(ok);
    if (cancel) {
        *cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
        (*cancel)->setObjectName(QStringLiteral("CancelButton"));
        QObject::connect(*cancel, &QPushButton::clicked, dialog, &QDialog::reject);
        row->addWidget(*cancel);
    }
    return row;
}

} // namespace

// ---------------------------------------------------------------- element dialogs

TElementForm::TElementForm(int type, tECU& ecu, DialogServices services, QWidget* parent)
    : QDialog(parent), type_(type), services_(std::move(services)), props_(ecu) {
    const DialogLayout& layout = dialogLayout(type);
    setWindowTitle(q(layout.caption));
    setModal(true);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);

    auto* nameRow = new QHBoxLayout();
    nameRow->addWidget(new QLabel(QStringLiteral("Name:"), this));
    NameLabel = new QLabel(this);
    NameLabel->setObjectName(QStringLiteral("NameLabel"));
    nameRow->addWidget(NameLabel, 1);
    column->addLayout(nameRow);

    auto* area = new QWidget(this);
    buildControls(area);
    column->addWidget(area);

    if (layout.hasDescription) {
        auto* heading = new QLabel(QStringLiteral("Operation of this Element:"), this);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        column->addWidget(heading);
        QStringList lines = listOf(layout.description);
        column->addWidget(new QLabel(lines.join(QLatin1Char('\n')), this));
    }

    VisAdv = new QCheckBox(QStringLiteral("Visible only in advanced view"), this);
    VisAdv->setObjectName(QStringLiteral("VisAdv"));
    connect(VisAdv, &QCheckBox::clicked, this, [this](bool on) {
        props_.setVisibleOnlyInAdvanced(on);
        services_.renderPage();
    });
    column->addWidget(VisAdv);
    CosPropsButton = new QPushButton(QStringLiteral("Cosmetic Properties"), this);
    CosPropsButton->setObjectName(QStringLiteral("CosPropsButton"));
    connect(CosPropsButton, &QPushButton::clicked, this,
            [this] { services_.cosmetic(props_.context().configAddress); });
    auto* cosRow = new QHBoxLayout();
    cosRow->addWidget(CosPropsButton);
    cosRow->addStretch(1);
    column->addLayout(cosRow);
    column->addLayout(buttonRow(this, OKButton, layout.hasCancel ? &CancelButton : nullptr));
    connect(OKButton, &QPushButton::clicked, this, &TElementForm::OKButtonClick);

    AdvancedSection = new QWidget(this);
    AdvancedSection->setObjectName(QStringLiteral("AdvancedSection"));
    auto* grid = new QGridLayout(AdvancedSection);
    grid->setContentsMargins(0, 6, 0, 0);
    int rows = layout.showsDepth ? 8 : 7;
    for (int r = 0; r < rows; ++r) {
        auto* caption = new QLabel(AdvancedSection);
        auto* value = new QLabel(AdvancedSection);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(caption, r, 0);
        grid->addWidget(value, r, 1);
        advancedValues_ << caption << value;
    }
    column->addWidget(AdvancedSection);
}

void TElementForm::buildControls(QWidget* area) {
    auto* form = new QFormLayout(area);
    form->setContentsMargins(0, 0, 0, 0);
    auto addEdit = [&](const QString& caption, int maxLength) {
        auto* edit = new QLineEdit(area);
        edit->setMaxLength(maxLength);
        edits_ << edit;
        form->addRow(caption, edit);
        return edit;
    };
    auto addCheck = [&](const QString& caption) {
        auto* box = new QCheckBox(caption, area);
        checks_ << box;
        form->addRow(box);
        return box;
    };
    auto addChoice = [&](const QString& caption, const std::vector<std::string>& items) {
        choice_ = new QComboBox(area);
        choice_->addItems(listOf(items));
        form->addRow(caption, choice_);
    };
    switch (type_) {
    case ElementType::Constant: {
        auto* row = new QHBoxLayout();
        auto* edit = new QLineEdit(area);
        edit->setMaxLength(7);
        edits_ << edit;
        row->addWidget(edit);
        UpArrow = new QPushButton(QStringLiteral("\u25b2"), area);
        UpArrow->setObjectName(QStringLiteral("UpArrow"));
        DownArrow = new QPushButton(QStringLiteral("\u25bc"), area);
        DownArrow->setObjectName(QStringLiteral("DownArrow"));
        for (QPushButton* b : {UpArrow, DownArrow}) {
            b->setAutoDefault(false);
            b->setFixedWidth(28);
            row->addWidget(b);
        }
        connect(UpArrow, &QPushButton::clicked, this, [this] { arrowClick(true); });
        connect(DownArrow, &QPushButton::clicked, this, [this] { arrowClick(false); });
        form->addRow(QStringLiteral("Specify Constant Value: "), row);
        break;
    }
    case ElementType::Summer:
        addChoice(QStringLiteral("Operation"), ElementProperties::summerOperations());
        connect(choice_, &QComboBox::activated, this, [this](int index) {
            props_.setSummerOperation(index);
            refreshSummer();
        });
        for (int bit = 0; bit < 3; ++bit) {
            static const char* const kCaptions[3] = {"Invert Input 1", "Invert Input 2",
                                                     "Invert Output"};
            QCheckBox* box = addCheck(QString::fromUtf8(kCaptions[bit]));
            connect(box, &QCheckBox::clicked, this,
                    [this, bit](bool on) { props_.setSummerInvert(bit, on); });
        }
        break;
    case ElementType::PID:
        connect(addCheck(QStringLiteral("Divide Differential Gain by 64")), &QCheckBox::clicked,
                this, [this](bool on) { props_.setPidDivided(on); });
        break;
    case ElementType::Comparator:
        addChoice(QStringLiteral("Operation"), ElementProperties::comparatorOperations());
        connect(choice_, &QComboBox::activated, this,
                [this](int index) { props_.setComparatorEntry(index); });
        break;
    case ElementType::Tickbox:
        connect(addCheck(QStringLiteral("Select")), &QCheckBox::clicked, this,
                [this](bool on) { props_.setTicked(on); });
        break;
    case ElementType::Mux4:
    case ElementType::Mux32: {
        int inputs = type_ == ElementType::Mux4 ? 4 : 32;
        QFormLayout* target = form;
        if (inputs > 4) {
            auto* scroll = new QScrollArea(area);
            auto* inner = new QWidget(scroll);
            target = new QFormLayout(inner);
            scroll->setWidget(inner);
            scroll->setWidgetResizable(true);
            scroll->setMinimumHeight(300);
            form->addRow(scroll);
        }
        for (int n = 0; n < inputs; ++n) {
            auto* edit = new QLineEdit(area);
            edit->setMaxLength(16);
            edits_ << edit;
            target->addRow(QStringLiteral("Input %1 description").arg(n + 1), edit);
            connect(edit, &QLineEdit::textEdited, this, [this, n](const QString& text) {
                props_.setMuxDescription(n, toImageText(text));
                if (choice_)
                    choice_->setItemText(n, text);
            });
        }
        addChoice(QStringLiteral("Select Input to enable"), {});
        for (int n = 0; n < inputs; ++n)
            choice_->addItem(QString());
        connect(choice_, &QComboBox::activated, this, [this](int index) {
            props_.selectMuxInput(index);
            services_.renderPage();
        });
        break;
    }
    case ElementType::Latch:
        addChoice(QStringLiteral("Trigger type"), ElementProperties::latchTriggers());
        connect(choice_, &QComboBox::activated, this,
                [this](int index) { props_.setLatchEdge(index == 0); });
        break;
    case ElementType::Delay:
        addEdit(QStringLiteral("Delay period (ms)"), 5);
        break;
    case ElementType::Gauge: {
        for (const char* caption : {"Minimum Gauge Value:", "Maximum Gauge Value:",
                                    "Soft alarm threshold:", "Hard alarm threshold:"})
            addEdit(QString::fromUtf8(caption), 7);
        const char* const flags[3] = {"Show as boolean (true/false) indicator", "Large Gauge",
                                      "Don't include on F2 Gauge Window"};
        for (int bit = 0; bit < 3; ++bit) {
            QCheckBox* box = addCheck(QString::fromUtf8(flags[bit]));
            connect(box, &QCheckBox::clicked, this, [this, bit](bool on) {
                if (props_.setGaugeFlag(bit, on)) {
                    services_.reroute(props_.context().page - 1);
                    services_.renderPage();
                }
                if (bit == 0)
                    for (int k = 0; k < 4; ++k)
                        edits_[k]->setEnabled(!on);
            });
        }
        auto* row = new QHBoxLayout();
        row->addWidget(new QLabel(QStringLiteral("Set this to be gauge number"), area));
        GaugeNumber = new QSpinBox(area);
        GaugeNumber->setObjectName(QStringLiteral("GaugeNumber"));
        GaugeNumber->setRange(0, 5);
        row->addWidget(GaugeNumber);
        row->addWidget(new QLabel(QStringLiteral("of 5 on the Gauges Form"), area));
        form->addRow(row);
        form->addRow(new QLabel(QStringLiteral("(1-5, 0 means none)."), area));
        connect(GaugeNumber, &QSpinBox::valueChanged, this, [this](int n) {
            if (!loading_)
                props_.setGaugeNumber(n);
        });
        break;
    }
    case ElementType::Stepper:
        addChoice(QStringLiteral("Step Period:"), ElementProperties::stepperPeriods());
        connect(choice_, &QComboBox::activated, this,
                [this](int index) { props_.setStepperPeriod(index); });
        break;
    default:
        break;
    }
}

void TElementForm::refreshSummer() {
    bool logical = props_.summerOperation() != 0;
    checks_[2]->setVisible(logical);
    checks_[2]->setChecked(props_.summerInvert(2));
}

void TElementForm::applyAdvancedOption(bool shown) {
    AdvancedSection->setVisible(shown);
}

void TElementForm::load(int element) {
    if (!props_.open(element))
        return;
    loading_ = true;
    const ElementContext& ctx = props_.context();
    const DialogLayout& layout = dialogLayout(type_);
    NameLabel->setText(q(ctx.name));
    bool advanced = services_.advancedView ? services_.advancedView() : true;
    VisAdv->setVisible(layout.offersVisAdv && advanced);
    VisAdv->setChecked(props_.visibleOnlyInAdvanced());
    CosPropsButton->setVisible(!layout.offersVisAdv || advanced);
    auto rows = props_.advancedRows();
    for (size_t r = 0; r < rows.size() && 2 * r + 1 < static_cast<size_t>(advancedValues_.size());
         ++r) {
        advancedValues_[static_cast<int>(2 * r)]->setText(q(rows[r].caption));
        advancedValues_[static_cast<int>(2 * r + 1)]->setText(q(rows[r].value));
    }
    applyAdvancedOption(services_.advancedProps && services_.advancedProps());

    switch (type_) {
    case ElementType::Constant:
        edits_[0]->setText(q(props_.constantText()));
        edits_[0]->selectAll();
        break;
    case ElementType::Summer:
        choice_->setCurrentIndex(props_.summerOperation());
        for (int bit = 0; bit < 3; ++bit)
            checks_[bit]->setChecked(props_.summerInvert(bit));
        refreshSummer();
        break;
    case ElementType::PID:
        checks_[0]->setChecked(props_.pidDivided());
        break;
    case ElementType::Comparator:
        choice_->setCurrentIndex(props_.comparatorEntry());
        break;
    case ElementType::Tickbox:
        checks_[0]->setChecked(props_.ticked());
        break;
    case ElementType::Mux4:
    case ElementType::Mux32:
        for (int n = 0; n < props_.muxInputs(); ++n) {
            QString text = q(props_.muxDescription(n));
            edits_[n]->setText(text);
            choice_->setItemText(n, text);
        }
        choice_->setCurrentIndex(props_.muxSelected() < props_.muxInputs() ? props_.muxSelected()
                                                                           : -1);
        break;
    case ElementType::Latch:
        choice_->setCurrentIndex(props_.latchEdge() ? 0 : 1);
        break;
    case ElementType::Delay:
        edits_[0]->setText(q(props_.delayText()));
        edits_[0]->selectAll();
        break;
    case ElementType::Gauge: {
        auto texts = props_.gaugeTexts();
        for (int k = 0; k < 4; ++k) {
            edits_[k]->setText(q(texts[static_cast<size_t>(k)]));
            edits_[k]->setEnabled(!props_.gaugeFlag(0));
        }
        for (int bit = 0; bit < 3; ++bit)
            checks_[bit]->setChecked(props_.gaugeFlag(bit));
        GaugeNumber->setValue(std::min(props_.gaugeNumber(), 5));
        break;
    }
    case ElementType::Stepper:
        choice_->setCurrentIndex(props_.stepperPeriod());
        break;
    default:
        break;
    }
    loading_ = false;
}

void TElementForm::Execute(int element) {
    load(element);
    exec();
}

void TElementForm::arrowClick(bool up) {
    std::string text = toImageText(edits_[0]->text());
    if (props_.constantArrow(text, up)) {
        edits_[0]->setText(q(text));
        services_.renderPage();
    }
}

void TElementForm::OKButtonClick() {
    bool ok = true;
    switch (type_) {
    case ElementType::Constant:
        ok = props_.constantOk(toImageText(edits_[0]->text()));
        if (ok)
            services_.renderPage();
        break;
    case ElementType::Delay:
        ok = props_.delayOk(toImageText(edits_[0]->text()));
        break;
    case ElementType::Gauge: {
        std::array<std::string, 4> texts;
        for (int k = 0; k < 4; ++k)
            texts[static_cast<size_t>(k)] = toImageText(edits_[k]->text());
        ok = props_.gaugeOk(texts);
        break;
    }
    case ElementType::Mux4:
    case ElementType::Mux32:
        for (int n = 0; n < props_.muxInputs(); ++n)
            props_.setMuxDescription(n, toImageText(edits_[n]->text()));
        break;
    default:
        break;
    }
    if (ok)
        accept();
}

// ---------------------------------------------------------------- Edit Link

TEditLinkForm::TEditLinkForm(tECU& ecu, QWidget* parent) : QDialog(parent), editor_(ecu) {
    setWindowTitle(QStringLiteral("Edit Link"));
    setModal(true);
    auto* column = new QVBoxLayout(this);
    auto* group = new QLabel(QStringLiteral("Link Type"), this);
    column->addWidget(group);
    LinkRadio = new QRadioButton(QStringLiteral("Link to another element"), this);
    LiteralRadio = new QRadioButton(QStringLiteral("Specify constant value"), this);
    column->addWidget(LinkRadio);
    PageList = new QComboBox(this);
    PageList->setObjectName(QStringLiteral("PageList"));
    PageList->setMaxVisibleItems(30);
    OutputList = new QComboBox(this);
    OutputList->setObjectName(QStringLiteral("OutputList"));
    OutputList->setMinimumContentsLength(28);
    column->addWidget(PageList);
    column->addWidget(OutputList);
    column->addWidget(LiteralRadio);
    LiteralEdit = new QLineEdit(QStringLiteral("0.00"), this);
    LiteralEdit->setObjectName(QStringLiteral("LiteralEdit"));
    column->addWidget(LiteralEdit);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    column->addLayout(buttonRow(this, ok, &cancel));
    connect(ok, &QPushButton::clicked, this, &TEditLinkForm::OKButtonClick);
    connect(LinkRadio, &QRadioButton::toggled, this, [this] { modeChanged(); });
    connect(PageList, &QComboBox::activated, this, [this](int page) {
        editor_.choosePage(page);
        fillOutputs();
    });
}

bool TEditLinkForm::load(int element, int input, int shownPage) {
    if (!editor_.open(element, input, shownPage))
        return false;
    PageList->clear();
    for (const auto& caption : editor_.pages().items)
        PageList->addItem(q(caption));
    PageList->setCurrentIndex(editor_.page());
    fillOutputs();
    LiteralEdit->setText(q(editor_.literalText()));
    LinkRadio->setChecked(editor_.isLink());
    LiteralRadio->setChecked(!editor_.isLink());
    modeChanged();
    if (!editor_.isLink()) {
        LiteralEdit->selectAll();
        LiteralEdit->setFocus();
    }
    return true;
}

bool TEditLinkForm::Execute(int element, int input, int shownPage) {
    if (!load(element, input, shownPage))
        return false;
    return exec() == QDialog::Accepted;
}

void TEditLinkForm::fillOutputs() {
    OutputList->clear();
    for (const auto& name : editor_.outputs().items)
        OutputList->addItem(q(name));
    OutputList->setCurrentIndex(editor_.outputs().selected);
}

void TEditLinkForm::modeChanged() {
    bool link = LinkRadio->isChecked();
    PageList->setEnabled(link);
    OutputList->setEnabled(link);
    LiteralEdit->setEnabled(!link);
}

void TEditLinkForm::OKButtonClick() {
    bool ok = LinkRadio->isChecked() ? editor_.okLink(OutputList->currentIndex())
                                     : editor_.okLiteral(toImageText(LiteralEdit->text()));
    if (ok)
        accept();
}

// ---------------------------------------------------------------- Edit Element Name

TEditNameForm::TEditNameForm(tECU& ecu, QWidget* parent) : QDialog(parent), editor_(ecu) {
    setModal(true);
    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    NameEdit = new QLineEdit(QString::fromUtf8(NameEditor::kDefaultText), this);
    NameEdit->setObjectName(QStringLiteral("NameEdit"));
    NameEdit->setMaxLength(Layout::kNameLength);
    NameEdit->setMinimumWidth(240);
    form->addRow(QStringLiteral("Name"), NameEdit);
    column->addLayout(form);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    column->addLayout(buttonRow(this, ok, &cancel));
    connect(ok, &QPushButton::clicked, this, [this] {
        editor_.ok(toImageText(NameEdit->text()));
        accept();
    });
}

void TEditNameForm::load(int slot) {
    editor_.open(slot);
    setWindowTitle(q(editor_.caption()));
    NameEdit->setText(q(editor_.text()));
    NameEdit->selectAll();
    NameEdit->setFocus();
}

void TEditNameForm::Execute(int slot) {
    load(slot);
    exec();
}

// ---------------------------------------------------------------- Cosmetic Properties

TCosmeticForm::TCosmeticForm(tECU& ecu, std::function<void(int, int)> moved, QWidget* parent)
    : QDialog(parent), editor_(ecu), moved_(std::move(moved)) {
    setWindowTitle(QStringLiteral("Cosmetic Properties"));
    setModal(true);
    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    auto spin = [&](const QString& caption, const QString& name, int low, int high) {
        auto* box = new QSpinBox(this);
        box->setObjectName(name);
        box->setRange(low, high);
        form->addRow(caption, box);
        return box;
    };
    XPosition = spin(QStringLiteral("X Position"), QStringLiteral("XPosition"), 0, 120);
    YPosition = spin(QStringLiteral("Y Position"), QStringLiteral("YPosition"), 0, 120);
    ScreenPage = spin(QStringLiteral("Screen/Page"), QStringLiteral("ScreenPage"), 1, 128);
    column->addLayout(form);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    column->addLayout(buttonRow(this, ok, &cancel));
    connect(ok, &QPushButton::clicked, this, &TCosmeticForm::OKButtonClick);
}

void TCosmeticForm::load(int configAddress) {
    editor_.open(configAddress);
    XPosition->setValue(editor_.x());
    YPosition->setValue(editor_.y());
    ScreenPage->setValue(editor_.page());
}

void TCosmeticForm::Execute(int configAddress) {
    load(configAddress);
    exec();
}

void TCosmeticForm::OKButtonClick() {
    if (!editor_.ok(XPosition->value(), YPosition->value(), ScreenPage->value()))
        return;
    if (moved_)
        moved_(editor_.oldPage() - 1, editor_.page() - 1);
    accept();
}

// ---------------------------------------------------------------- Move to Different Page

TMoveToPageForm::TMoveToPageForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Move to Different Page"));
    setModal(true);
    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(QStringLiteral("Move all of the Elements on the"), this));
    column->addWidget(new QLabel(QStringLiteral("Current Page to the Following Page:"), this));
    PageNumber = new QSpinBox(this);
    PageNumber->setObjectName(QStringLiteral("PageNumber"));
    PageNumber->setRange(1, Layout::kNumPages);
    column->addWidget(PageNumber);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    column->addLayout(buttonRow(this, ok, &cancel));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

int TMoveToPageForm::Execute(int page) {
    PageNumber->setValue(page + 1);
    return exec() == QDialog::Accepted ? PageNumber->value() - 1 : -1;
}

// ---------------------------------------------------------------- lists of links

TOutputLinksForm::TOutputLinksForm(QWidget* parent) : QDialog(parent) {
    auto* column = new QVBoxLayout(this);
    Lines = new QListWidget(this);
    Lines->setObjectName(QStringLiteral("Lines"));
    Lines->setMinimumSize(420, 300);
    column->addWidget(Lines);
    QPushButton* ok = nullptr;
    column->addLayout(buttonRow(this, ok, nullptr));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TOutputLinksForm::showLines(const QString& caption, const QStringList& lines) {
    setWindowTitle(caption);
    Lines->clear();
    Lines->addItems(lines);
    show();
    raise();
}

// ---------------------------------------------------------------- display options

TOptionForm::TOptionForm(Option option, Preferences& prefs, std::function<void()> applied,
                         QWidget* parent)
    : QDialog(parent), option_(option), prefs_(prefs), applied_(std::move(applied)) {
    auto* column = new QVBoxLayout(this);
    switch (option) {
    case Option::AdvancedProperties:
        setWindowTitle(QStringLiteral("Advanced Element Properties"));
        Check = new QCheckBox(
            QStringLiteral("Show advanced properties when viewing element properties"), this);
        break;
    case Option::ShowAllOutputs:
        setWindowTitle(QStringLiteral("Live Value Display Options"));
        Check = new QCheckBox(
            QStringLiteral("Show Live Values for outputs that connect to nothing"), this);
        break;
    case Option::ColumnSize:
        setWindowTitle(QStringLiteral("Column size on each page/tabsheet"));
        column->addWidget(new QLabel(
            QStringLiteral("Limit the number of settings in each column (on a page/tabsheet) to:"),
            this));
        NumRows = new QSpinBox(this);
        NumRows->setObjectName(QStringLiteral("NumRows"));
        NumRows->setRange(1, 20);
        column->addWidget(NumRows);
        column->addWidget(new QLabel(QStringLiteral("(this may need to be changed to suit "
                                                    "different height/width monitors)."),
                                     this));
        connect(NumRows, &QSpinBox::valueChanged, this, [this](int rows) {
            if (loading_)
                return;
            DisplayOptions::storeMaxPerColumn(prefs_, rows);
            if (applied_)
                applied_();
        });
        break;
    }
    if (Check) {
        column->addWidget(Check);
        connect(Check, &QCheckBox::toggled, this, [this](bool on) {
            if (loading_)
                return;
            if (option_ == Option::AdvancedProperties)
                DisplayOptions::storeAdvancedProperties(prefs_, on);
            else
                DisplayOptions::storeShowAllOutputs(prefs_, on);
            if (applied_)
                applied_();
        });
    }
}

void TOptionForm::load() {
    loading_ = true;
    DisplayOptions o = DisplayOptions::load(prefs_);
    if (option_ == Option::AdvancedProperties)
        Check->setChecked(o.advancedProperties);
    else if (option_ == Option::ShowAllOutputs)
        Check->setChecked(o.showAllOutputs);
    else
        NumRows->setValue(o.maxPerColumn);
    loading_ = false;
}

} // namespace zolmar::gui
