// FeatureStore: the feature values of one virtual camera, with their types,
// enumeration entries, missing features and refused writes.
//
// Not thread-safe on its own: the owning VirtualCamera guards it.
#ifndef MVSDK_VIRTUAL_FEATURESTORE_H
#define MVSDK_VIRTUAL_FEATURESTORE_H

#include "featurevalue.h"

#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace VxSim {
namespace detail {

using Mvsdk::detail::FeatureType;
using Mvsdk::detail::FeatureValue;

class FeatureStore {
public:
    // The standard features with their power-on values.
    FeatureStore();

    // A feature the camera has (known, and not declared missing).
    bool has(const std::string &name) const;
    bool has(const std::string &name, FeatureType type) const;
    bool isKnownName(const std::string &name) const;
    bool typeOf(const std::string &name, FeatureType *type) const;
    bool get(const std::string &name, FeatureValue &value) const;
    // Checks type, enumeration entries, range and refusal rules.
    bool set(const std::string &name, const FeatureValue &value);
    // A write (or execution) that the refusal rules forbid.
    bool refused(const std::string &name, const QString &valueText) const;

    // Configuration: a value taken verbatim (enumerations may hold any text).
    bool setInitial(const std::string &name, const QJsonValue &value, QString *error);
    void setMissing(const std::string &name);
    void setModel(const QString &model);
    // Rule "Feature" or "Feature=Value"; false when it names no known feature.
    bool setRefusal(const QString &rule, bool refuse);
    // Every value back to the one in `powerOn` (a copy of this store made
    // earlier); missing features and refusal rules stay as they are.
    void restoreValues(const FeatureStore &powerOn);

private:
    struct Feature {
        FeatureType type;
        FeatureValue value;
        std::vector<std::string> entries; // enumerations only
        bool present = true;
    };
    void define(const std::string &name, FeatureType type, FeatureValue value,
                std::vector<std::string> entries = {});

    std::map<std::string, Feature> m_features;
    std::set<std::string> m_refusedFeatures;
    std::set<std::pair<std::string, std::string>> m_refusedValues;
};

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_FEATURESTORE_H
