#pragma once
// TFormFindDevice: the search for indicators. The machine's ports (the configured one ticked
// first), "Искать", a progress bar naming the port, speed and address being tried, "Отмена",
// the indicators that answered, and "Подключить" (or a double click on a row), which stores
// the row's port, speed and address as the settings dialog's OK does. A skinned dialog of the
// settings dialog's look; closing it without a choice stores nothing.
#include "finder/FinderContext.h"

#include <QDialog>
#include <QTimer>
#include <memory>

class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;

namespace korvel {

class ImageButton;
class IndicatorSearch;
class SkinnedWindow;

class TFormFindDevice : public QDialog
{
    Q_OBJECT
public:
    static constexpr QSize kDesignSize{420, 440};

    // The menu item "Поиск прибора": pauses the poll, shows the dialog modally, and once it
    // has closed lets the poll run as the settings dialog does.
    static void Execute(FinderContext& context);

    TFormFindDevice(FinderContext& context, QWidget* parent = nullptr);
    ~TFormFindDevice() override;

    void IskatClick();
    void OtmenaClick();
    void PodklyuchitClick();
    bool searching() const { return search_ != nullptr; }

    QListWidget* lbPorts() const { return ports_; }
    QListWidget* lbFound() const { return found_; }
    QProgressBar* pbSearch() const { return progress_; }
    QPushButton* btnIskat() const { return searchButton_; }
    QPushButton* btnOtmena() const { return cancelButton_; }
    QPushButton* btnPodklyuchit() const { return connectButton_; }
    ImageButton* CloseImage() const { return closeImage_; }
    SkinnedWindow& skin() const { return *skin_; }

    // The port names ticked now, in list order.
    QStringList chosenPorts() const;

signals:
    // After each probe and at the end; for tests and the progress bar alike.
    void progressed();
    void searchFinished();

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setupUi();
    void loadPorts();
    void stepSearch();
    void endSearch(bool cancelled);
    void updateButtons();

    FinderContext& ctx_;
    std::unique_ptr<IndicatorSearch> search_;
    QTimer stepTimer_;
    bool portWasOpen_ = false;
    bool connected_ = false;
    QStringList searchedPorts_;

    QWidget* paFind_ = nullptr;
    ImageButton* closeImage_ = nullptr;
    QListWidget* ports_ = nullptr;
    QListWidget* found_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* connectButton_ = nullptr;
    SkinnedWindow* skin_ = nullptr;
};

} // namespace korvel
