#include "platform/linux/pulse/PulseMicSensor.h"

#include "runtime/Runtime.h"

#include <QByteArray>
#include <QPointer>

#include <pulse/pulseaudio.h>

#include <unistd.h>

#include <cstring>
#include <mutex>

namespace stirwell {

namespace {
constexpr double kReconnectSeconds = 30;

// Applications whose recording streams are level meters, by application id.
bool isLevelMeterApplication(const char *id)
{
    static const char *const ids[] = {"org.PulseAudio.pavucontrol", "org.gnome.VolumeControl",
                                      "org.gnome.Settings", "org.kde.plasma-pa", "org.kde.kmix"};
    if (!id)
        return false;
    for (const char *known : ids)
        if (std::strcmp(known, id) == 0)
            return true;
    return false;
}
} // namespace

// Everything touched on libpulse's thread. The main thread reads `reading`
// only; callbacks post hints to the sensor through a guarded pointer.
struct PulseMicSensor::Connection {
    pa_threaded_mainloop *loop = nullptr;
    pa_context *context = nullptr;
    QPointer<PulseMicSensor> owner;
    std::atomic<int> reading{static_cast<int>(SensorReading::unknown)};

    // Query state, on the pulse thread only.
    bool querying = false;
    bool requeryPending = false;
    QByteArray defaultSource;
    uint32_t defaultIndex = PA_INVALID_INDEX;
    bool inUse = false;

    ~Connection()
    {
        if (!loop)
            return;
        pa_threaded_mainloop_stop(loop);
        if (context) {
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        pa_threaded_mainloop_free(loop);
    }

    void publish(SensorReading value)
    {
        if (reading.exchange(static_cast<int>(value)) == static_cast<int>(value))
            return;
        QPointer<PulseMicSensor> target = owner;
        if (target)
            QMetaObject::invokeMethod(target.data(), [target] {
                if (target)
                    target->answerChanged();
            }, Qt::QueuedConnection);
    }

    // server info → default source → recording streams → publish.
    void query()
    {
        if (querying) {
            requeryPending = true;
            return;
        }
        querying = true;
        requeryPending = false;
        pa_operation *op = pa_context_get_server_info(context, &Connection::onServerInfo, this);
        if (op)
            pa_operation_unref(op);
        else
            finishQuery(false);
    }

    void finishQuery(bool ok)
    {
        querying = false;
        if (ok)
            publish(inUse ? SensorReading::yes : SensorReading::no);
        if (requeryPending)
            query();
    }

    static void onState(pa_context *context, void *userdata)
    {
        auto *self = static_cast<Connection *>(userdata);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY: {
            pa_context_set_subscribe_callback(context, &Connection::onEvent, self);
            const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SOURCE_OUTPUT
                                                                  | PA_SUBSCRIPTION_MASK_SOURCE
                                                                  | PA_SUBSCRIPTION_MASK_SERVER
                                                                  | PA_SUBSCRIPTION_MASK_CLIENT);
            if (pa_operation *op = pa_context_subscribe(context, mask, nullptr, nullptr))
                pa_operation_unref(op);
            self->query();
            break;
        }
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            self->querying = false;
            self->publish(SensorReading::unknown);
            break;
        default:
            break;
        }
    }

    static void onEvent(pa_context *, pa_subscription_event_type_t, uint32_t, void *userdata)
    {
        static_cast<Connection *>(userdata)->query();
    }

    static void onServerInfo(pa_context *context, const pa_server_info *info, void *userdata)
    {
        auto *self = static_cast<Connection *>(userdata);
        self->defaultSource = info && info->default_source_name ? QByteArray(info->default_source_name) : QByteArray();
        self->defaultIndex = PA_INVALID_INDEX;
        if (self->defaultSource.isEmpty()) {
            self->inUse = false; // no microphone at all
            self->finishQuery(true);
            return;
        }
        pa_operation *op = pa_context_get_source_info_by_name(context, self->defaultSource.constData(),
                                                              &Connection::onSourceInfo, self);
        if (op)
            pa_operation_unref(op);
        else
            self->finishQuery(false);
    }

    static void onSourceInfo(pa_context *context, const pa_source_info *info, int eol, void *userdata)
    {
        auto *self = static_cast<Connection *>(userdata);
        if (eol == 0 && info) {
            self->defaultIndex = info->index;
            return;
        }
        if (eol < 0 || self->defaultIndex == PA_INVALID_INDEX) {
            // The default source vanished between the two queries; a change
            // event follows.
            self->inUse = false;
            self->finishQuery(true);
            return;
        }
        self->inUse = false;
        pa_operation *op = pa_context_get_source_output_info_list(context, &Connection::onSourceOutput, self);
        if (op)
            pa_operation_unref(op);
        else
            self->finishQuery(false);
    }

    static void onSourceOutput(pa_context *, const pa_source_output_info *info, int eol, void *userdata)
    {
        auto *self = static_cast<Connection *>(userdata);
        if (eol != 0 || !info) {
            self->finishQuery(eol > 0);
            return;
        }
        if (info->source != self->defaultIndex || info->corked)
            return;
        // Peak detection streams (what volume controls show) are resampled
        // by the "peaks" method.
        if (info->resample_method && std::strcmp(info->resample_method, "peaks") == 0)
            return;
        if (isLevelMeterApplication(pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_ID)))
            return;
        if (const char *pid = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
            pid && QByteArray(pid) == QByteArray::number(static_cast<qint64>(::getpid())))
            return;
        self->inUse = true;
    }
};

PulseMicSensor::PulseMicSensor(const Runtime &runtime, QObject *parent)
    : QObject(parent)
    , m_runtime(runtime)
{
    connectToServer();
}

PulseMicSensor::~PulseMicSensor() = default;

void PulseMicSensor::connectToServer()
{
    m_lastAttempt = m_runtime.monotonic();
    m_connection.reset();
    auto connection = std::make_unique<Connection>();
    connection->owner = this;
    connection->loop = pa_threaded_mainloop_new();
    if (!connection->loop)
        return;
    pa_proplist *props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Stirwell");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "com.stirwell.app");
    connection->context =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(connection->loop), "Stirwell", props);
    pa_proplist_free(props);
    if (!connection->context)
        return;
    pa_context_set_state_callback(connection->context, &Connection::onState, connection.get());
    // Never start a sound server of our own.
    if (pa_context_connect(connection->context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return;
    if (pa_threaded_mainloop_start(connection->loop) < 0)
        return;
    m_connection = std::move(connection);
}

SensorReading PulseMicSensor::probe()
{
    const auto reading =
        m_connection ? static_cast<SensorReading>(m_connection->reading.load()) : SensorReading::unknown;
    if (reading == SensorReading::unknown && m_runtime.monotonic() - m_lastAttempt >= kReconnectSeconds) {
        bool connecting = false;
        if (m_connection) {
            pa_threaded_mainloop_lock(m_connection->loop);
            const pa_context_state_t state = pa_context_get_state(m_connection->context);
            pa_threaded_mainloop_unlock(m_connection->loop);
            connecting = PA_CONTEXT_IS_GOOD(state) && state != PA_CONTEXT_READY;
        }
        if (!connecting)
            connectToServer();
    }
    return reading;
}

void PulseMicSensor::setChangeHint(std::function<void()> hint)
{
    m_hint = std::move(hint);
}

void PulseMicSensor::answerChanged()
{
    if (m_hint)
        m_hint();
}

} // namespace stirwell
