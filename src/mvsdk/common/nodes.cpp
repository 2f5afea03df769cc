// Feature nodes: each read, write or execution goes to the camera's feature
// back end, which checks, applies and traces it.
#include "MVSDK/GenICam/Nodes.h"

#include "featurebackend.h"

namespace Dahua {
namespace GenICam {

using Mvsdk::detail::FeatureType;
using Mvsdk::detail::FeatureValue;
using Mvsdk::detail::IFeatureBackend;

namespace {

IFeatureBackend *backendOf(const ICameraPtr &camera)
{
    return dynamic_cast<IFeatureBackend *>(camera.get());
}

FeatureType featureTypeOf(int kind)
{
    static const FeatureType types[] = {FeatureType::Integer, FeatureType::Float,   FeatureType::Enumeration,
                                        FeatureType::Boolean, FeatureType::Command, FeatureType::Text};
    return types[kind];
}

bool read(const ICameraPtr &camera, const std::string &name, FeatureType type, FeatureValue &value)
{
    IFeatureBackend *backend = backendOf(camera);
    return backend != nullptr && backend->readFeature(name, type, value);
}

bool write(const ICameraPtr &camera, const std::string &name, const FeatureValue &value)
{
    IFeatureBackend *backend = backendOf(camera);
    return backend != nullptr && backend->writeFeature(name, value);
}

} // namespace

CNodeBase::CNodeBase(Kind kind, const ICameraPtr &camera, const char *featureName)
    : m_kind(kind)
    , m_camera(camera)
    , m_featureName(featureName != nullptr ? featureName : "")
{
}

bool CNodeBase::isValid() const
{
    IFeatureBackend *backend = backendOf(m_camera);
    return backend != nullptr && backend->hasFeature(m_featureName, featureTypeOf(m_kind));
}

bool CIntNode::getValue(int64_t &value) const
{
    FeatureValue v;
    if (!read(m_camera, m_featureName, FeatureType::Integer, v))
        return false;
    value = v.integer;
    return true;
}

bool CIntNode::setValue(int64_t value)
{
    return write(m_camera, m_featureName, FeatureValue::ofInteger(value));
}

bool CDoubleNode::getValue(double &value) const
{
    FeatureValue v;
    if (!read(m_camera, m_featureName, FeatureType::Float, v))
        return false;
    value = v.real;
    return true;
}

bool CDoubleNode::setValue(double value)
{
    return write(m_camera, m_featureName, FeatureValue::ofFloat(value));
}

bool CEnumNode::getValueSymbol(Infra::CString &symbol) const
{
    FeatureValue v;
    if (!read(m_camera, m_featureName, FeatureType::Enumeration, v))
        return false;
    symbol = Infra::CString(v.text);
    return true;
}

bool CEnumNode::setValueBySymbol(const Infra::CString &symbol)
{
    return write(m_camera, m_featureName, FeatureValue::ofSymbol(symbol.c_str()));
}

bool CBoolNode::getValue(bool &value) const
{
    FeatureValue v;
    if (!read(m_camera, m_featureName, FeatureType::Boolean, v))
        return false;
    value = v.boolean;
    return true;
}

bool CBoolNode::setValue(bool value)
{
    return write(m_camera, m_featureName, FeatureValue::ofBoolean(value));
}

bool CCmdNode::execute()
{
    IFeatureBackend *backend = backendOf(m_camera);
    return backend != nullptr && backend->executeCommand(m_featureName);
}

bool CStringNode::getValue(Infra::CString &value) const
{
    FeatureValue v;
    if (!read(m_camera, m_featureName, FeatureType::Text, v))
        return false;
    value = Infra::CString(v.text);
    return true;
}

bool CStringNode::setValue(const Infra::CString &value)
{
    return write(m_camera, m_featureName, FeatureValue::ofText(value.c_str()));
}

} // namespace GenICam
} // namespace Dahua
