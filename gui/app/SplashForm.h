#pragma once

#include "link/SyncEngine.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace zolmar::gui {

// The start-up splash window, which doubles as the progress window of a full read
// or write: the lower part with the bar and the cancel button shows only at the
// progress height.
class TSplashForm : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSplashHeight = 293;
    static constexpr int kProgressHeight = 338;
    static constexpr int kWidth = 520;

    explicit TSplashForm(QWidget* parent = nullptr);

    // The splash alone: no progress, the connected ECU's version and serial (or blanks).
    void showSplash(const std::string& package, const std::string& serial);
    // The progress of a full read or write, as the synchronisation engine gives it.
    void showProgress(const ProgressView& view);
    bool progressShown() const;

    QLabel* ReadWriteSplashLabel = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QLabel* BytesSoFar = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* OpenSettingsFile = nullptr;
    QLabel* Package = nullptr;
    QLabel* Serial = nullptr;

signals:
    void cancelClicked();
    void openSettingsFileClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setClientHeight(int height);
    void showCentred();

    QWidget* lower_ = nullptr;
};

} // namespace zolmar::gui
