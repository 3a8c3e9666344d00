#pragma once
#include <QString>

// Section and key names of the settings file, exactly as they are stored.
namespace korvel::settings_keys {

inline const QString kPortSection = QStringLiteral("Параметры COM-порта");
inline const QString kPortName = QStringLiteral("COM-порт");
inline const QString kBaudRate = QStringLiteral("Скорость (бит/с)");
inline const QString kReadTimeout = QStringLiteral("ReadTotalTimeoutConstant");

inline const QString kDeviceSection = QStringLiteral("Параметры прибора");
inline const QString kAddress = QStringLiteral("Адрес прибора");

inline const QString kProgramSection = QStringLiteral("Параметры программы");
inline const QString kPollInterval = QStringLiteral("Интервал опроса прибора");

inline const QString kChartSection = QStringLiteral("График");
inline const QString kTimeOnGraph = QStringLiteral("Время(с)");
inline const QString kSmoothScroll = QStringLiteral("Плавное движение включено");
inline const QString kPeriod = QStringLiteral("Период выдачи данных АЦП, мс");
inline const QString kFilter1 = QStringLiteral("Фильтр1");
inline const QString kFilter2 = QStringLiteral("Фильтр2");
inline const QString kStabBnd = QStringLiteral("Диапазон стабильности");
inline const QString kLineWidth = QStringLiteral("Толщина линии графика");
inline const QString kShowPoints = QStringLiteral("Показывать точки");

inline const QString kPanelSection = QStringLiteral("Панель цифровых входов/выходов");
inline const QString kShowPanel = QStringLiteral("Показывать");

inline const QString kInputsSection = QStringLiteral("Графики цифровых входов");
inline const QString kInputsMask = QStringLiteral("Маска вывода цифровых входов на графики");
inline QString inputColorKey(int input) // input 1..5; no blank between "№" and the digit
{
    return QStringLiteral("Цвет графика цифрового входа №") + QString::number(input);
}
inline const QString kInputsDelay =
    QStringLiteral("Задержка сигнала цифровых входов при выводе на график, изм.");

inline const QString kServiceSection = QStringLiteral("Служебные параметры");
inline const QString kShowService = QStringLiteral("Показывать");
inline const QString kCheckweigher = QStringLiteral("Чеквейр");

} // namespace korvel::settings_keys
