// FeatureType and FeatureValue: one feature value of a camera as the feature
// nodes of the public surface hand it to a camera back end, and as the call
// trace prints it. Plain values, no locking.
#ifndef MVSDK_COMMON_FEATUREVALUE_H
#define MVSDK_COMMON_FEATUREVALUE_H

#include <QString>

#include <cstdint>
#include <string>

namespace Mvsdk {
namespace detail {

enum class FeatureType { Integer, Float, Enumeration, Boolean, Command, Text };

struct FeatureValue {
    FeatureType type = FeatureType::Integer;
    int64_t integer = 0;
    double real = 0.0;
    bool boolean = false;
    std::string text;

    static FeatureValue ofInteger(int64_t v);
    static FeatureValue ofFloat(double v);
    static FeatureValue ofBoolean(bool v);
    static FeatureValue ofSymbol(const std::string &v);
    static FeatureValue ofText(const std::string &v);
    // The trace's notation: symbols and strings as text, integers decimal,
    // doubles with their full value (whole ones as integers, others in the
    // shortest text that reads back as the same double), booleans true/false.
    QString toText() const;
};

} // namespace detail
} // namespace Mvsdk

#endif // MVSDK_COMMON_FEATUREVALUE_H
