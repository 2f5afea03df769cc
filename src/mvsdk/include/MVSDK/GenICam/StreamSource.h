// IStreamSource: the frame stream of one camera, and the frame handler type.
#ifndef MVSDK_GENICAM_STREAMSOURCE_H
#define MVSDK_GENICAM_STREAMSOURCE_H

#include "MVSDK/Defs.h"
#include "MVSDK/GenICam/Frame.h"
#include "MVSDK/Memory/SharedPtr.h"
#include "MVSDK/StreamStatistics.h"

#include <cstdint>

namespace Dahua {
namespace GenICam {

// A frame handler: a function called with a context pointer, usually a member
// function bound to its object. Two handlers bound to the same object and the
// same member compare equal, so a handler built again at detach time matches
// the one attached earlier.
class CFrameProc {
public:
    using Function = void (*)(void *context, const CFrame &frame);

    CFrameProc() = default;
    CFrameProc(void *context, Function function)
        : m_context(context)
        , m_function(function)
    {
    }

    // CFrameProc::bind<&Class::onGetFrame>(object)
    template <auto Member, class T> static CFrameProc bind(T *object)
    {
        return CFrameProc(object, &invokeMember<T, Member>);
    }

    void operator()(const CFrame &frame) const { m_function(m_context, frame); }
    explicit operator bool() const { return m_function != nullptr; }
    bool operator==(const CFrameProc &other) const
    {
        return m_context == other.m_context && m_function == other.m_function;
    }

private:
    template <class T, auto Member> static void invokeMember(void *context, const CFrame &frame)
    {
        (static_cast<T *>(context)->*Member)(frame);
    }

    void *m_context = nullptr;
    Function m_function = nullptr;
};

// The stream of one camera channel.
//
// While grabbing, frames are produced on a thread of the stream source's own,
// and every attached handler is called there, one frame at a time.
// stopGrabbing() and detachGrabbing() return only after any handler call in
// flight has returned, and no handler call starts after they return. Called
// from inside a handler they do not wait for that call. Releasing the last
// handle (from any thread, the grabbing thread included) stops grabbing first.
class MVSDK_API IStreamSource {
public:
    typedef CFrameProc Proc;

    virtual ~IStreamSource();

    virtual bool attachGrabbing(Proc proc) = 0;
    virtual bool detachGrabbing(Proc proc) = 0;
    // maxImagesGrabbed 0: no limit.
    virtual bool startGrabbing(uint64_t maxImagesGrabbed = 0, EGrabStrategy strategy = grabStrategySequential)
        = 0;
    virtual bool stopGrabbing() = 0;
    virtual bool isGrabbing() const = 0;
    // This stream source's own counts since it was made (its camera's totals:
    // cameraStatistics()). Thread-safe, readable while grabbing.
    virtual CStreamStatistics getStatistics() const = 0;
};

typedef Memory::TSharedPtr<IStreamSource> IStreamSourcePtr;

} // namespace GenICam
} // namespace Dahua

#endif // MVSDK_GENICAM_STREAMSOURCE_H
