#pragma once

#include "files/ConfigurationProperties.h"
#include "link/SyncEngine.h"
#include "model/ECU.h"
#include "ports/Messages.h"

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zolmar::gui {

// "ECU and Configuration Properties": the tuner's details and notes stored in the
// configuration, its memory use and element counts, and the connected ECU's data.
class TPropertiesForm : public QDialog {
    Q_OBJECT

public:
    TPropertiesForm(tECU& ecu, Messages& messages, QWidget* parent = nullptr);

    // Fills every control from the model, as showing the window does.
    void fill();
    // The synchronisation layer's labels (package version and rates).
    void setLabels(const EcuLabels& labels);
    void OKButtonClick();
    void NumElementsClick();
    // The address "Send Email" opens.
    QString mailAddress() const;

    std::array<QLineEdit*, ConfigurationProperties::kNumFields> Edits{};
    QLabel* ECUSerial = nullptr;
    QLabel* PackageVersion = nullptr;
    QLabel* FWRateLabel = nullptr;
    QLabel* EleRateLabel = nullptr;
    QLabel* LiveUsage = nullptr;
    QLabel* ConstUsage = nullptr;
    QLabel* LogicUsage = nullptr;
    QLabel* NumElements = nullptr;
    QPushButton* NumElementsButton = nullptr;
    QPushButton* SendEmailButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    tECU& ecu_;
    Messages& messages_;
    uint64_t filledFor_ = 0; // the configuration the fields were read from
};

} // namespace zolmar::gui
