// COperationGuard: runs the operations of one camera object one at a time,
// and keeps count of the frame handler calls inside the object.
//
// Owns: a lock over the object's operations (recursive for the thread that
// holds it), the stops and closes that frame handler calls hand over, and
// the count of admitted deliveries. That state lives on the heap: when the
// host deletes the object from inside its callback, the delivery it deletes
// from frees the state as it ends. A delivery that nothing stands in the way
// of takes no lock: two atomic counter updates and two flag reads.
//
// Threads: every host thread entering an operation; the SDK's grabbing
// threads entering the frame handler and, from inside the host's callback,
// operations again.
//
// Promises:
//  - A thread that is not delivering a frame of this object waits for the
//    lock.
//  - A thread delivering a frame of this object never waits for an operation
//    that may wait for deliveries (start, stop, close, delete, and an open
//    that began while a delivery of this object was running: the object was
//    closed from inside it, and the camera SDK may wait for the closed
//    stream's release, which joins the delivering thread). It takes the lock
//    when it is free and waits behind any other open, snapshot or property
//    setting, which never wait for a delivery. Behind the others it hands a
//    stop or close over to the holder, which carries it out before its own
//    call returns, and any other operation does not run (with a warning).
//    From a hand-over until it has been carried out no frame is admitted.
//  - When a stop or close called outside a delivery of this object returns,
//    no admitted delivery is running. A delete waits for every admitted
//    delivery but the caller's own; afterwards nothing is entered or admitted.
#ifndef VXCAMDAHUA_OPERATIONGUARD_H
#define VXCAMDAHUA_OPERATIONGUARD_H

class ICameraObject;
struct OperationGuardState; // operationguard.cpp

class COperationGuard {
public:
    // What an operation is, as far as overlapping calls are concerned.
    enum Kind { Open, Snap, Property, Start, Stop, Close, Delete };

    // Hand-overs are carried out as `object`'s own IStopCamera and ICloseCamera.
    explicit COperationGuard(ICameraObject &object);
    ~COperationGuard();
    COperationGuard(const COperationGuard &) = delete;
    COperationGuard &operator=(const COperationGuard &) = delete;

    // One call of an operation, held for its whole body. The body runs only
    // when entered(); otherwise the call was handed over or may not run now.
    class Operation {
    public:
        Operation(COperationGuard &guard, Kind kind);
        ~Operation();
        Operation(const Operation &) = delete;
        Operation &operator=(const Operation &) = delete;
        bool entered() const { return m_entered; }

    private:
        COperationGuard &m_guard;
        bool m_entered;
    };

    // One frame handler call, held for its whole body. The frame is dropped
    // at once unless admitted(); the destructor touches only shared state.
    class Delivery {
    public:
        explicit Delivery(COperationGuard &guard);
        ~Delivery();
        Delivery(const Delivery &) = delete;
        Delivery &operator=(const Delivery &) = delete;
        bool admitted() const { return m_admitted; }

    private:
        OperationGuardState &m_state;
        const OperationGuardState *m_previous = nullptr;
        bool m_admitted = false;
    };

private:
    bool enter(Kind kind);
    void leave();

    ICameraObject &m_object;
    OperationGuardState *m_state;
};

#endif // VXCAMDAHUA_OPERATIONGUARD_H
