#pragma once
#include "panel/PanelView.h"

#include <QWidget>
#include <array>
#include <map>

class QLabel;

namespace korvel {

class DigitPanel;
class PointShape;
class SvgPicture;
struct TraceLines;

// The front face of the indicator as the main window shows it: the face picture, the two
// rows of digits with their decimal points, the status lamps, the version label, the
// (hidden) pressed-key pictures and the link's trace panels. Client size 555 x 398; the
// main window embeds it at 0, 0. Every control carries its design name as objectName.
class FrontPanel : public QWidget, public PanelView
{
    Q_OBJECT
public:
    explicit FrontPanel(QWidget* parent = nullptr);
    ~FrontPanel() override;

    // PanelView
    void ShowDisplay(const std::uint8_t* codes) override;
    void ShowNoLink() override;
    void ShowPortNotOpen(const QString& commName) override;
    void SetFace(Face face) override;
    bool lampVisible(Lamp lamp) const override;
    void setLampVisible(Lamp lamp, bool on) override;
    QString versionText() const override;
    void setVersionText(const QString& text) override;

    // The leftmost digit of row 1, with its two extra patterns (top bar; top and bottom).
    void ShowRow1LeftDigit(std::uint8_t code);

    // Trace of a failed link transaction: the three captions, then the panels shown.
    void showTrace(const QString& panel1, const QString& panel2, const QString& panel3);
    void showTrace(const TraceLines& lines);
    // Click on any trace panel: empties and hides all three.
    void Panel1Click();

    Face face() const { return face_; }

    // Digit n of row 1 (1 = rightmost .. 6 = leftmost) and of row 2 (1 .. 9), as named
    // PanelnInd1 / PanelnInd2.
    DigitPanel* row1Digit(int n) const { return row1_.at(n - 1); }
    DigitPanel* row2Digit(int n) const { return row2_.at(n - 1); }
    QLabel* la6Ind1Up() const { return la6Ind1Up_; }
    QLabel* laKorvelVersiya() const { return version_; }
    QWidget* MainPanel() const { return mainPanel_; }
    SvgPicture* MainImage() const { return mainImage_; }
    SvgPicture* lamp(Lamp l) const { return lamps_.at(static_cast<int>(l)); }
    // Pressed picture of a key by its suffix ("5", "Print", "_0_" ...): imKlavishaX.
    SvgPicture* keyPicture(const QString& key) const;
    QLabel* tracePanel(int n) const { return trace_.at(n - 1); }

signals:
    // A double click on any digit (opens the chart).
    void digitDoubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupUi();
    void createDigits();
    void createLamps();
    void createKeyPictures();
    void createTracePanels();

    QWidget* mainPanel_ = nullptr;
    SvgPicture* mainImage_ = nullptr;
    std::array<DigitPanel*, 6> row1_{};
    std::array<DigitPanel*, 9> row2_{};
    QLabel* la6Ind1Up_ = nullptr;
    QLabel* version_ = nullptr;
    std::array<SvgPicture*, 8> lamps_{};
    std::map<QString, SvgPicture*> keys_;
    std::array<QLabel*, 3> trace_{};
    Face face_ = Face::Simple;
};

} // namespace korvel
