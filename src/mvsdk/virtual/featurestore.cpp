#include "featurestore.h"

#include <cmath>

namespace VxSim {
namespace detail {

FeatureStore::FeatureStore()
{
    const std::vector<std::string> autoModes = {"Off", "Once", "Continuous"};
    define("Width", FeatureType::Integer, FeatureValue::ofInteger(640));
    define("Height", FeatureType::Integer, FeatureValue::ofInteger(480));
    define("OffsetX", FeatureType::Integer, FeatureValue::ofInteger(0));
    define("OffsetY", FeatureType::Integer, FeatureValue::ofInteger(0));
    define("PixelFormat", FeatureType::Enumeration, FeatureValue::ofSymbol("Mono8"),
           {"Mono8", "Mono10", "Mono12", "Mono16", "BayerRG8", "BayerGB8", "BayerGR8", "BayerBG8",
            "BayerRG10", "BayerGB10", "BayerRG12", "BayerGB12", "RGB8Packed", "BGR8Packed", "RGBA8Packed",
            "BGRA8Packed", "YUV422Packed"});
    define("ReverseX", FeatureType::Boolean, FeatureValue::ofBoolean(false));
    define("ReverseY", FeatureType::Boolean, FeatureValue::ofBoolean(false));
    define("ExposureAuto", FeatureType::Enumeration, FeatureValue::ofSymbol("Off"), autoModes);
    define("ExposureTime", FeatureType::Float, FeatureValue::ofFloat(10000.0));
    define("TriggerMode", FeatureType::Enumeration, FeatureValue::ofSymbol("Off"), {"Off", "On"});
    define("TriggerSelector", FeatureType::Enumeration, FeatureValue::ofSymbol("FrameStart"),
           {"FrameStart", "AcquisitionStart", "LineStart"});
    define("TriggerSource", FeatureType::Enumeration, FeatureValue::ofSymbol("Line1"),
           {"Software", "Line1", "Line2", "Line3"});
    FeatureValue command;
    command.type = FeatureType::Command;
    define("TriggerSoftware", FeatureType::Command, command);
    define("GainAuto", FeatureType::Enumeration, FeatureValue::ofSymbol("Off"), autoModes);
    define("Gain", FeatureType::Float, FeatureValue::ofFloat(1.0));
    define("Brightness", FeatureType::Integer, FeatureValue::ofInteger(50));
    define("Contrast", FeatureType::Integer, FeatureValue::ofInteger(50));
    // Present only when the configuration names a model.
    define("DeviceModelName", FeatureType::Text, FeatureValue::ofText(""));
    m_features["DeviceModelName"].present = false;
}

void FeatureStore::define(const std::string &name, FeatureType type, FeatureValue value,
                          std::vector<std::string> entries)
{
    value.type = type;
    m_features[name] = Feature {type, std::move(value), std::move(entries), true};
}

bool FeatureStore::isKnownName(const std::string &name) const
{
    return m_features.count(name) != 0;
}

bool FeatureStore::typeOf(const std::string &name, FeatureType *type) const
{
    const auto it = m_features.find(name);
    if (it == m_features.end())
        return false;
    *type = it->second.type;
    return true;
}

bool FeatureStore::has(const std::string &name) const
{
    const auto it = m_features.find(name);
    return it != m_features.end() && it->second.present;
}

bool FeatureStore::has(const std::string &name, FeatureType type) const
{
    const auto it = m_features.find(name);
    return it != m_features.end() && it->second.present && it->second.type == type;
}

bool FeatureStore::get(const std::string &name, FeatureValue &value) const
{
    const auto it = m_features.find(name);
    if (it == m_features.end() || !it->second.present || it->second.type == FeatureType::Command)
        return false;
    value = it->second.value;
    return true;
}

bool FeatureStore::refused(const std::string &name, const QString &valueText) const
{
    if (m_refusedFeatures.count(name) != 0)
        return true;
    return m_refusedValues.count({name, valueText.toStdString()}) != 0;
}

bool FeatureStore::set(const std::string &name, const FeatureValue &value)
{
    const auto it = m_features.find(name);
    if (it == m_features.end() || !it->second.present)
        return false;
    Feature &feature = it->second;
    // Commands have no value; the one text feature, DeviceModelName, is read only.
    if (feature.type != value.type || feature.type == FeatureType::Command
        || feature.type == FeatureType::Text)
        return false;
    if (refused(name, value.toText()))
        return false;
    switch (feature.type) {
    case FeatureType::Integer:
        if (value.integer < 0)
            return false;
        break;
    case FeatureType::Float:
        if (!(value.real >= 0.0) || !std::isfinite(value.real))
            return false;
        break;
    case FeatureType::Enumeration: {
        bool listed = false;
        for (const std::string &entry : feature.entries)
            listed = listed || entry == value.text;
        if (!listed)
            return false;
        break;
    }
    default:
        break;
    }
    feature.value = value;
    return true;
}

bool FeatureStore::setInitial(const std::string &name, const QJsonValue &json, QString *error)
{
    const auto it = m_features.find(name);
    const QString qname = QString::fromStdString(name);
    if (it == m_features.end()) {
        *error = QStringLiteral("unknown feature \"%1\"").arg(qname);
        return false;
    }
    Feature &feature = it->second;
    switch (feature.type) {
    case FeatureType::Integer: {
        const double v = json.toDouble();
        if (!json.isDouble() || v != std::floor(v) || std::fabs(v) > 9.0e15) {
            *error = QStringLiteral("feature \"%1\" needs a whole number").arg(qname);
            return false;
        }
        feature.value = FeatureValue::ofInteger(static_cast<int64_t>(v));
        return true;
    }
    case FeatureType::Float:
        if (!json.isDouble()) {
            *error = QStringLiteral("feature \"%1\" needs a number").arg(qname);
            return false;
        }
        feature.value = FeatureValue::ofFloat(json.toDouble());
        return true;
    case FeatureType::Boolean:
        if (!json.isBool()) {
            *error = QStringLiteral("feature \"%1\" needs true or false").arg(qname);
            return false;
        }
        feature.value = FeatureValue::ofBoolean(json.toBool());
        return true;
    case FeatureType::Enumeration:
    case FeatureType::Text:
        if (!json.isString()) {
            *error = QStringLiteral("feature \"%1\" needs a text").arg(qname);
            return false;
        }
        feature.value.text = json.toString().toStdString();
        if (feature.type == FeatureType::Text)
            feature.present = true;
        return true;
    case FeatureType::Command:
        break;
    }
    *error = QStringLiteral("feature \"%1\" is a command and has no value").arg(qname);
    return false;
}

void FeatureStore::setMissing(const std::string &name)
{
    const auto it = m_features.find(name);
    if (it != m_features.end())
        it->second.present = false;
}

void FeatureStore::setModel(const QString &model)
{
    Feature &feature = m_features["DeviceModelName"];
    feature.value.text = model.toStdString();
    feature.present = true;
}

void FeatureStore::restoreValues(const FeatureStore &powerOn)
{
    for (auto &[name, feature] : m_features) {
        const auto found = powerOn.m_features.find(name);
        if (found != powerOn.m_features.end())
            feature.value = found->second.value;
    }
}

bool FeatureStore::setRefusal(const QString &rule, bool refuse)
{
    const int eq = rule.indexOf(QLatin1Char('='));
    if (!isKnownName((eq < 0 ? rule : rule.left(eq)).toStdString()))
        return false;
    if (eq < 0) {
        if (refuse)
            m_refusedFeatures.insert(rule.toStdString());
        else
            m_refusedFeatures.erase(rule.toStdString());
        return true;
    }
    const std::pair<std::string, std::string> key {rule.left(eq).toStdString(),
                                                   rule.mid(eq + 1).toStdString()};
    if (refuse)
        m_refusedValues.insert(key);
    else
        m_refusedValues.erase(key);
    return true;
}

} // namespace detail
} // namespace VxSim
