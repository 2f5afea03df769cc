#include "aravisbare.h"

bool configureCamera(const char *address, int width, int height, double fps)
{
    GError *error = nullptr;
    ArvCamera *camera = arv_camera_new(address, &error);
    g_clear_error(&error);
    if (camera == nullptr)
        return false;
    arv_camera_set_integer(camera, "Width", width, &error);
    if (error == nullptr)
        arv_camera_set_integer(camera, "Height", height, &error);
    if (error == nullptr)
        arv_camera_set_float(camera, "AcquisitionFrameRate", fps, &error);
    const bool ok = error == nullptr;
    g_clear_error(&error);
    g_object_unref(camera);
    return ok;
}

BareStream::BareStream(const char *address)
{
    GError *error = nullptr;
    m_camera = arv_camera_new(address, &error);
    g_clear_error(&error);
    if (m_camera == nullptr)
        return;
    m_stream = arv_camera_create_stream(m_camera, &BareStream::onEvent, this, &error);
    g_clear_error(&error);
    if (m_stream == nullptr)
        return;
    if (ARV_IS_GV_STREAM(m_stream))
        g_object_set(m_stream, "socket-buffer", ARV_GV_STREAM_SOCKET_BUFFER_FIXED, "socket-buffer-size",
                     8 * 1024 * 1024, nullptr);
    const guint payload = arv_camera_get_payload(m_camera, nullptr);
    for (int i = 0; i < kBareBuffers; ++i)
        arv_stream_push_buffer(m_stream, arv_buffer_new_allocate(payload));
}

BareStream::~BareStream()
{
    if (m_stream != nullptr)
        g_object_unref(m_stream);
    if (m_camera != nullptr)
        g_object_unref(m_camera);
}

bool BareStream::start()
{
    GError *error = nullptr;
    arv_camera_start_acquisition(m_camera, &error);
    const bool ok = error == nullptr;
    g_clear_error(&error);
    return ok;
}

void BareStream::stop()
{
    arv_camera_stop_acquisition(m_camera, nullptr);
}

void BareStream::onEvent(void *userData, ArvStreamCallbackType type, ArvBuffer *)
{
    if (type != ARV_STREAM_CALLBACK_TYPE_BUFFER_DONE)
        return;
    auto *self = static_cast<BareStream *>(userData);
    while (ArvBuffer *buffer = arv_stream_try_pop_buffer(self->m_stream)) {
        if (arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS) {
            size_t size = 0;
            const auto *data = static_cast<const unsigned char *>(arv_buffer_get_image_data(buffer, &size));
            if (size > 0) {
                self->m_touched.fetch_add(data[0], std::memory_order_relaxed);
                self->m_frames.fetch_add(1, std::memory_order_relaxed);
            }
        }
        arv_stream_push_buffer(self->m_stream, buffer);
    }
}

void CountingHost::IFrameReady(ICameraObject *camera)
{
    const unsigned char *data = std::atomic_ref<const unsigned char *>(camera->m_pImageData).load();
    if (data != nullptr) {
        m_touched.fetch_add(data[0], std::memory_order_relaxed);
        m_frames.fetch_add(1, std::memory_order_relaxed);
    }
}
