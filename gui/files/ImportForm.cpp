#include "files/ImportForm.h"

#include "app/QtPorts.h"
#include "files/FileCommands.h"
#include "files/SettingsFile.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <tuple>

namespace zolmar::gui {

namespace {
constexpr int kCurrent = 0;
constexpr int kSelectFile = 1;
} // namespace

TImportForm::TImportForm(tECU& ecu, Messages& messages, FileDialogs& dialogs, QWidget* parent)
    : QDialog(parent), ecu_(ecu), messages_(messages), dialogs_(dialogs) {
    setObjectName(QStringLiteral("TImportForm"));
    setWindowTitle(QStringLiteral("Import/Merge Configuration"));
    setModal(true);
    auto* grid = new QGridLayout(this);
    auto sourceRow = [this, grid](int row, const QString& caption, const QString& name,
                                  QComboBox*& list, QPushButton*& button) {
        grid->addWidget(new QLabel(caption, this), row, 0);
        list = new QComboBox(this);
        list->setObjectName(name + QStringLiteral("Source"));
        list->addItems({QStringLiteral("Current"), QStringLiteral("Select File")});
        list->setCurrentIndex(kSelectFile);
        grid->addWidget(list, row, 1);
        button = new QPushButton(QStringLiteral("Browse"), this);
        button->setObjectName(name + QStringLiteral("Browse"));
        grid->addWidget(button, row, 2);
    };
    sourceRow(0, QStringLiteral("Source for Element Configuration:"), QStringLiteral("Config"),
              ConfigSource, ConfigBrowse);
    sourceRow(1, QStringLiteral("Source for Values:"), QStringLiteral("Values"), ValuesSource,
              ValuesBrowse);
    Explanation = new QPlainTextEdit(this);
    Explanation->setObjectName(QStringLiteral("Explanation"));
    Explanation->setReadOnly(true);
    Explanation->setMinimumSize(620, 360);
    grid->addWidget(Explanation, 2, 0, 1, 3);
    GoButton = new QPushButton(QStringLiteral("GO!  (May take a few seconds)"), this);
    GoButton->setObjectName(QStringLiteral("GoButton"));
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    grid->addWidget(GoButton, 3, 1);
    grid->addWidget(CancelButton, 3, 2);

    connect(ConfigSource, &QComboBox::activated, this,
            [this] { sourceChosen(configuration_, ConfigSource, ConfigBrowse); });
    connect(ValuesSource, &QComboBox::activated, this,
            [this] { sourceChosen(values_, ValuesSource, ValuesBrowse); });
    connect(ConfigBrowse, &QPushButton::clicked, this,
            [this] { browse(configuration_, "Select File for Element Configuration"); });
    connect(ValuesBrowse, &QPushButton::clicked, this,
            [this] { browse(values_, "Select File for Values Source"); });
    connect(GoButton, &QPushButton::clicked, this, &TImportForm::go);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TImportForm::prepare() {
    configuration_ = {};
    values_ = {};
    for (auto [source, list, button] : {std::tuple{&configuration_, ConfigSource, ConfigBrowse},
                                        std::tuple{&values_, ValuesSource, ValuesBrowse}}) {
        source->useCurrent = list->currentIndex() == kCurrent;
        if (source->useCurrent)
            source->bytes = SettingsFile::fromImage(ecu_);
        button->setEnabled(!source->useCurrent);
    }
    validate();
}

void TImportForm::sourceChosen(ImportMerge::Source& source, QComboBox* list, QPushButton* button) {
    source = {};
    source.useCurrent = list->currentIndex() == kCurrent;
    if (source.useCurrent)
        source.bytes = SettingsFile::fromImage(ecu_);
    button->setEnabled(!source.useCurrent);
    validate();
}

void TImportForm::browse(ImportMerge::Source& source, const char* title) {
    auto chosen = dialogs_.askOpenFile(title, FileCommands::kFilter);
    if (!chosen)
        return;
    std::string error;
    std::vector<uint8_t> bytes;
    if (!SettingsFile::read(*chosen, bytes, error)) {
        messages_.error(error);
        return;
    }
    source.bytes = std::move(bytes);
    source.fileName = *chosen;
    validate();
}

void TImportForm::validate() {
    auto summary =
        ImportMerge::Validate(configuration_, values_, ImportMerge::CurrentValid(ecu_.LinkState));
    Explanation->setPlainText(fromImageText(summary.text).remove(QLatin1Char('\r')));
    GoButton->setEnabled(summary.goEnabled);
}

void TImportForm::go() {
    std::vector<uint8_t> result;
    std::string error;
    if (!ImportMerge::Merge(configuration_.bytes, values_.bytes, result, error)) {
        messages_.error(error);
        return;
    }
    if (beforeMerge)
        beforeMerge();
    const auto apply = [&] { ImportMerge::Apply(ecu_, result); };
    if (recordStep)
        recordStep("Import/Merge configuration", apply);
    else
        apply();
    hide();
    emit merged();
}

} // namespace zolmar::gui
