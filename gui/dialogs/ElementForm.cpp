#include "dialogs/ElementForm.h"

#include "app/QtPorts.h"
#include "dialogs/DialogParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace zolmar::gui {

TElementForm::TElementForm(int type, tECU& ecu, DialogServices services, QWidget* parent)
    : QDialog(parent), type_(type), services_(std::move(services)), props_(ecu) {
    const DialogLayout& layout = dialogLayout(type);
    setWindowTitle(fromImageText(layout.caption));
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
    NameLabel->setText(fromImageText(ctx.name));
    bool advanced = services_.advancedView ? services_.advancedView() : true;
    VisAdv->setVisible(layout.offersVisAdv && advanced);
    VisAdv->setChecked(props_.visibleOnlyInAdvanced());
    CosPropsButton->setVisible(!layout.offersVisAdv || advanced);
    auto rows = props_.advancedRows();
    for (size_t r = 0; r < rows.size() && 2 * r + 1 < static_cast<size_t>(advancedValues_.size());
         ++r) {
        advancedValues_[static_cast<int>(2 * r)]->setText(fromImageText(rows[r].caption));
        advancedValues_[static_cast<int>(2 * r + 1)]->setText(fromImageText(rows[r].value));
    }
    applyAdvancedOption(services_.advancedProps && services_.advancedProps());

    switch (type_) {
    case ElementType::Constant:
        edits_[0]->setText(fromImageText(props_.constantText()));
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
            QString text = fromImageText(props_.muxDescription(n));
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
        edits_[0]->setText(fromImageText(props_.delayText()));
        edits_[0]->selectAll();
        break;
    case ElementType::Gauge: {
        auto texts = props_.gaugeTexts();
        for (int k = 0; k < 4; ++k) {
            edits_[k]->setText(fromImageText(texts[static_cast<size_t>(k)]));
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
        edits_[0]->setText(fromImageText(text));
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

} // namespace zolmar::gui
