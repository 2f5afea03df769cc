#include "featurevalue.h"

#include <QLocale>

#include <cmath>

namespace Mvsdk {
namespace detail {

FeatureValue FeatureValue::ofInteger(int64_t v)
{
    FeatureValue value;
    value.type = FeatureType::Integer;
    value.integer = v;
    return value;
}

FeatureValue FeatureValue::ofFloat(double v)
{
    FeatureValue value;
    value.type = FeatureType::Float;
    value.real = v;
    return value;
}

FeatureValue FeatureValue::ofBoolean(bool v)
{
    FeatureValue value;
    value.type = FeatureType::Boolean;
    value.boolean = v;
    return value;
}

FeatureValue FeatureValue::ofSymbol(const std::string &v)
{
    FeatureValue value;
    value.type = FeatureType::Enumeration;
    value.text = v;
    return value;
}

FeatureValue FeatureValue::ofText(const std::string &v)
{
    FeatureValue value;
    value.type = FeatureType::Text;
    value.text = v;
    return value;
}

QString FeatureValue::toText() const
{
    switch (type) {
    case FeatureType::Integer:
        return QString::number(integer);
    case FeatureType::Float:
        // Whole numbers as integers, others in the fewest digits that read back
        // as the same double.
        if (std::isfinite(real) && real == std::floor(real) && std::fabs(real) < 1e21)
            return QString::number(real, 'f', 0);
        return QString::number(real, 'g', QLocale::FloatingPointShortest);
    case FeatureType::Boolean:
        return boolean ? QStringLiteral("true") : QStringLiteral("false");
    case FeatureType::Enumeration:
    case FeatureType::Text:
        return QString::fromStdString(text);
    case FeatureType::Command:
        break;
    }
    return QString();
}

} // namespace detail
} // namespace Mvsdk
