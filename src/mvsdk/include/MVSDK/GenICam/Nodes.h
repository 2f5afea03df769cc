// Feature nodes: one named feature of one camera.
//
// A node is a small value: take it from a control object (or build a string
// node from the camera), read or write it once, and drop it. A node of a
// feature that the camera lacks is invalid: isValid() is false and every read
// and write fails. Every read and write returns true on success.
#ifndef MVSDK_GENICAM_NODES_H
#define MVSDK_GENICAM_NODES_H

#include "MVSDK/Defs.h"
#include "MVSDK/GenICam/Camera.h"
#include "MVSDK/Infra/String.h"

#include <cstdint>
#include <string>

namespace Dahua {
namespace GenICam {

class MVSDK_API CNodeBase {
public:
    // False for a default-built node, for a feature the camera lacks, and for
    // a feature of another kind than the node's.
    bool isValid() const;
    const char *featureName() const { return m_featureName.c_str(); }

protected:
    enum Kind { IntKind, DoubleKind, EnumKind, BoolKind, CmdKind, StringKind };
    explicit CNodeBase(Kind kind)
        : m_kind(kind)
    {
    }
    CNodeBase(Kind kind, const ICameraPtr &camera, const char *featureName);

    Kind m_kind;
    ICameraPtr m_camera;
    std::string m_featureName;
};

class MVSDK_API CIntNode : public CNodeBase {
public:
    CIntNode()
        : CNodeBase(IntKind)
    {
    }
    CIntNode(const ICameraPtr &camera, const char *featureName)
        : CNodeBase(IntKind, camera, featureName)
    {
    }
    bool getValue(int64_t &value) const;
    bool setValue(int64_t value);
};

class MVSDK_API CDoubleNode : public CNodeBase {
public:
    CDoubleNode()
        : CNodeBase(DoubleKind)
    {
    }
    CDoubleNode(const ICameraPtr &camera, const char *featureName)
        : CNodeBase(DoubleKind, camera, featureName)
    {
    }
    bool getValue(double &value) const;
    bool setValue(double value);
};

class MVSDK_API CEnumNode : public CNodeBase {
public:
    CEnumNode()
        : CNodeBase(EnumKind)
    {
    }
    CEnumNode(const ICameraPtr &camera, const char *featureName)
        : CNodeBase(EnumKind, camera, featureName)
    {
    }
    bool getValueSymbol(Infra::CString &symbol) const;
    bool setValueBySymbol(const Infra::CString &symbol);
};

class MVSDK_API CBoolNode : public CNodeBase {
public:
    CBoolNode()
        : CNodeBase(BoolKind)
    {
    }
    CBoolNode(const ICameraPtr &camera, const char *featureName)
        : CNodeBase(BoolKind, camera, featureName)
    {
    }
    bool getValue(bool &value) const;
    bool setValue(bool value);
};

class MVSDK_API CCmdNode : public CNodeBase {
public:
    CCmdNode()
        : CNodeBase(CmdKind)
    {
    }
    CCmdNode(const ICameraPtr &camera, const char *featureName)
        : CNodeBase(CmdKind, camera, featureName)
    {
    }
    bool execute();
};

class MVSDK_API CStringNode : public CNodeBase {
public:
    CStringNode()
        : CNodeBase(StringKind)
    {
    }
    CStringNode(const ICameraPtr &camera, const char *featureName)
        : CNodeBase(StringKind, camera, featureName)
    {
    }
    bool getValue(Infra::CString &value) const;
    bool setValue(const Infra::CString &value);
};

} // namespace GenICam
} // namespace Dahua

#endif // MVSDK_GENICAM_NODES_H
