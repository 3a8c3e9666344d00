#pragma once
#include <QString>
#include <cstdint>

namespace korvel {

// The status lamps of the face; the first seven are decoded from the status byte of the
// display register, Data is the link lamp.
enum class Lamp { Stab, Tare, Zero, Doz1, Doz2, Doz3, Doz4, Data };
inline constexpr int STATUS_LAMP_COUNT = 7;

enum class Face { Simple, Doser };

// Names of the faces, as the face rule of the poll keeps them.
inline const QString FACE_NAME_SIMPLE = QStringLiteral("Простой прибор");
inline const QString FACE_NAME_DOSER = QStringLiteral("Дозатор");

// What the poll cycle draws on. The front panel widget implements it; the poll's logic
// knows nothing of widgets.
class PanelView
{
public:
    virtual ~PanelView() = default;

    // The fifteen segment codes d1..d15 of the display register: d1 the leftmost digit of
    // row 1, d2..d6 the rest of row 1, d7..d15 row 2, each row from the left.
    virtual void ShowDisplay(const std::uint8_t* codes) = 0;
    virtual void ShowNoLink() = 0;
    virtual void ShowPortNotOpen(const QString& commName) = 0;
    virtual void SetFace(Face face) = 0;

    virtual bool lampVisible(Lamp lamp) const = 0;
    virtual void setLampVisible(Lamp lamp, bool on) = 0;

    virtual QString versionText() const = 0;
    virtual void setVersionText(const QString& text) = 0;
};

} // namespace korvel
