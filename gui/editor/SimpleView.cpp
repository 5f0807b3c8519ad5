#include "editor/SimpleView.h"

#include "app/QtPorts.h"
#include "dialogs/TIASciEdit.h"
#include "files/ProgramFiles.h"
#include "files/SettingsHints.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>

namespace zolmar::gui {

namespace {

// Calls back when the watched control receives the focus.
class EnterWatcher : public QObject {
public:
    EnterWatcher(QObject* parent, std::function<void()> onEnter)
        : QObject(parent), onEnter_(std::move(onEnter)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn)
            onEnter_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onEnter_;
};

} // namespace

TSimpleView::TSimpleView(tECU& ecu, Messages& messages, QWidget* parent)
    : QWidget(parent), ecu_(ecu), messages_(messages) {
    setObjectName(QStringLiteral("SimpleView"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setUsesScrollButtons(true);
    row->addWidget(PageControl1, 1);
    HintMemo = new QPlainTextEdit(this);
    HintMemo->setObjectName(QStringLiteral("HintMemo"));
    HintMemo->setReadOnly(true);
    HintMemo->setFixedWidth(205);
    HintMemo->setMaximumHeight(300);
    QFont memoFont = HintMemo->font();
    memoFont.setPointSize(11);
    HintMemo->setFont(memoFont);
    auto* memoColumn = new QVBoxLayout();
    memoColumn->addSpacing(70);
    memoColumn->addWidget(HintMemo);
    memoColumn->addStretch(1);
    row->addLayout(memoColumn);
    row->addSpacing(20);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (!building_)
            emit sheetChanged(index);
    });
}

void TSimpleView::BuildSimpleSheets(int perColumn) {
    building_ = true;
    const int shown = PageControl1->currentIndex();
    while (PageControl1->count() > 0) {
        QWidget* w = PageControl1->widget(0);
        PageControl1->removeTab(0);
        w->deleteLater();
    }
    controls_.clear();
    sheets_ = SimpleSheets::Build(ecu_, perColumn);
    for (const auto& sheet : sheets_.sheets) {
        auto* scroll = new QScrollArea();
        auto* canvas = new QWidget();
        int right = 0, bottom = 0;
        for (const auto& c : sheet.controls) {
            QWidget* w = makeControl(c, canvas);
            controls_.insert(c.element, w);
            right = std::max(right, w->geometry().right());
            bottom = std::max(bottom, w->geometry().bottom());
        }
        canvas->setMinimumSize(right + 20, bottom + 20);
        scroll->setWidget(canvas);
        scroll->setFrameShape(QFrame::NoFrame);
        PageControl1->addTab(scroll, literalCaption(sheet.caption));
    }
    // The sheet in view stays in view; a first build shows the last sheet.
    int last = PageControl1->count() - 1;
    PageControl1->setCurrentIndex(shown >= 0 && shown <= last ? shown : last);
    building_ = false;
    emit sheetChanged(PageControl1->currentIndex());
}

bool TSimpleView::showPage(int page) {
    for (size_t k = 0; k < sheets_.sheets.size(); ++k)
        if (sheets_.sheets[k].page == page) {
            PageControl1->setCurrentIndex(static_cast<int>(k));
            return true;
        }
    return false;
}

void TSimpleView::showStoredConstant(int element) {
    auto* edit = qobject_cast<TIASciEdit*>(controls_.value(element));
    if (edit && element < ecu_.NumElements)
        edit->entry().ShowValue(
            static_cast<int16_t>(ecu_.ReadConstWord(ecu_.ElementConstOffset[element])) / 50.0);
}

QWidget* TSimpleView::makeControl(const SimpleSheets::Control& c, QWidget* sheet) {
    using SimpleSheets::ControlKind;
    // The sheets stand until they are built again: every control finds its element
    // where it is when the user acts, and does nothing once it has gone.
    const ElementRef ref(ecu_, c.element);
    QWidget* control = nullptr;
    if (c.hasLabel) {
        auto* label = new QLabel(fromImageText(c.label), sheet);
        label->move(c.labelBox.x, c.labelBox.y);
        label->resize(145, label->sizeHint().height());
    }
    switch (c.kind) {
    case ControlKind::Numeric: {
        auto* edit = new TIASciEdit(messages_, sheet);
        NumericEntry& e = edit->entry();
        e.SciFloatMin = -655;
        e.SciFloatMax = 655;
        e.SciNFixedAllDigits = 5;
        e.SciNFixedPrecitionDigits = 2;
        e.SciFloatPointType = iasdptDecimalSeparatorOnly;
        e.ShowValue(c.value);
        edit->resize(65, edit->sizeHint().height());
        connect(edit, &TIASciEdit::numberChanged, this, [this, edit, ref] {
            const int element = ref.index(ecu_);
            // A typing error must never zero an engine setting: the default that the
            // control falls back to is not written, the stored value is shown again.
            if (element >= 0 && !building_ && !edit->entry().SettingDefault())
                SimpleSheets::ConstantChanged(ecu_, element, edit->entry().SciFloatValue());
        });
        connect(edit, &TIASciEdit::notNumber, this,
                [this, ref] { showStoredConstant(ref.index(ecu_)); });
        connect(edit, &TIASciEdit::outOfBounds, this,
                [this, ref] { showStoredConstant(ref.index(ecu_)); });
        control = edit;
        break;
    }
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(literalCaption(c.caption), sheet);
        box->setChecked(c.checked);
        box->resize(200, box->sizeHint().height());
        connect(box, &QCheckBox::clicked, this, [this, box, ref] {
            const int element = ref.index(ecu_);
            if (element < 0)
                return;
            SimpleSheets::TickboxClicked(ecu_, element);
            box->setChecked((ecu_.ReadConstByte(ecu_.ElementConstOffset[element]) & 1) != 0);
        });
        control = box;
        break;
    }
    case ControlKind::Mux32List:
    case ControlKind::Mux4List: {
        auto* list = new QComboBox(sheet);
        for (const auto& entry : c.entries)
            list->addItem(fromImageText(entry));
        list->setCurrentIndex(c.selected);
        list->resize(115, list->sizeHint().height());
        const bool four = c.kind == ControlKind::Mux4List;
        connect(list, &QComboBox::activated, this, [this, ref, four](int entry) {
            const int element = ref.index(ecu_);
            if (element < 0)
                return;
            if (four)
                SimpleSheets::Mux4Changed(ecu_, sheets_.folds, element, entry);
            else
                SimpleSheets::Mux32Changed(ecu_, element, entry);
        });
        control = list;
        break;
    }
    case ControlKind::SpinEdit: {
        auto* spin = new QSpinBox(sheet);
        spin->setRange(0, 40000);
        spin->setSingleStep(10);
        spin->setValue(c.spinValue);
        spin->resize(65, spin->sizeHint().height());
        connect(spin, &QSpinBox::valueChanged, this, [this, ref](int value) {
            const int element = ref.index(ecu_);
            if (element >= 0 && !building_)
                SimpleSheets::DelayChanged(ecu_, element, value);
        });
        control = spin;
        break;
    }
    case ControlKind::TableButton:
    case ControlKind::DialogButton: {
        auto* button = new QPushButton(literalCaption(c.caption), sheet);
        button->resize(c.box.width, c.box.height);
        const bool table = c.kind == ControlKind::TableButton;
        connect(button, &QPushButton::clicked, this, [this, ref, table] {
            const int element = ref.index(ecu_);
            if (element < 0)
                return;
            entered(element);
            auto target = SimpleSheets::TargetOf(ecu_, element);
            if (table && target == SimpleSheets::ButtonTarget::TableEditor) {
                if (openTable)
                    openTable(element);
            } else if (openDialog) {
                openDialog(element, target);
            }
        });
        control = button;
        break;
    }
    }
    control->move(c.box.x, c.box.y);
    control->setProperty("element", c.element);
    control->installEventFilter(new EnterWatcher(control, [this, ref] {
        if (const int element = ref.index(ecu_); element >= 0)
            entered(element);
    }));
    return control;
}

void TSimpleView::entered(int element) {
    std::string bytes;
    const std::string path = ProgramFiles::Find(ProgramFiles::kSettingsHints);
    const bool read = !path.empty() && SettingsHints::Read(path, bytes);
    QString text = fromImageText(SimpleSheets::HintText(ecu_, element, read ? &bytes : nullptr));
    HintMemo->setPlainText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // A missing hints file is reported once, not on every control the user enters.
    if (!read && !hintsErrorShown_) {
        hintsErrorShown_ = true;
        messages_.error(std::string("I/O error: cannot read ") + ProgramFiles::kSettingsHints);
    }
}

} // namespace zolmar::gui
