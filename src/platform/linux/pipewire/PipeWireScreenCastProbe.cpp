#include "platform/linux/pipewire/PipeWireScreenCastProbe.h"

#include "platform/linux/pipewire/PipeWireScreenCastRule.h"
#include "runtime/Runtime.h"

#include <pipewire/pipewire.h>
#include <pipewire/impl-module.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <vector>

namespace stirwell {

namespace {
constexpr double kReconnectSeconds = 30;

QByteArray lookup(const spa_dict *dict, const char *key)
{
    const char *value = dict ? spa_dict_lookup(dict, key) : nullptr;
    return value ? QByteArray(value) : QByteArray();
}

uint32_t lookupId(const spa_dict *dict, const char *key)
{
    bool ok = false;
    const uint32_t id = lookup(dict, key).toUInt(&ok);
    return ok ? id : SPA_ID_INVALID;
}

// libpipewire's method macros cast in C style; kept to these few calls.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
int coreSync(pw_core *core, int seq)
{
    return pw_core_sync(core, PW_ID_CORE, seq);
}

void addCoreListener(pw_core *core, spa_hook *hook, const pw_core_events *events, void *data)
{
    pw_core_add_listener(core, hook, events, data);
}

pw_registry *coreRegistry(pw_core *core)
{
    return pw_core_get_registry(core, PW_VERSION_REGISTRY, 0);
}

void addRegistryListener(pw_registry *registry, spa_hook *hook, const pw_registry_events *events, void *data)
{
    pw_registry_add_listener(registry, hook, events, data);
}

pw_proxy *bindNode(pw_registry *registry, uint32_t id)
{
    return static_cast<pw_proxy *>(pw_registry_bind(registry, id, PW_TYPE_INTERFACE_Node, PW_VERSION_NODE, 0));
}

void addNodeListener(pw_proxy *node, spa_hook *hook, const pw_node_events *events, void *data)
{
    pw_node_add_listener(reinterpret_cast<pw_node *>(node), hook, events, data);
}
#pragma GCC diagnostic pop
} // namespace

// Everything below is touched on PipeWire's thread only, except `reading`,
// which the main thread reads.
struct PipeWireScreenCastProbe::Connection {
    // A bound video output node.
    struct VideoNode {
        Connection *connection = nullptr;
        uint32_t id = SPA_ID_INVALID;
        pw_proxy *proxy = nullptr;
        spa_hook listener{};
        bool isCast = false;
        bool running = false;
    };
    // What identifies any node as a consumer.
    struct NodeOwner {
        QByteArray applicationName;
        QByteArray nodeName;
        uint32_t clientId = SPA_ID_INVALID;
    };
    struct Link {
        uint32_t outputNode = SPA_ID_INVALID;
        uint32_t inputNode = SPA_ID_INVALID;
    };

    pw_thread_loop *loop = nullptr;
    pw_context *context = nullptr;
    pw_core *core = nullptr;
    pw_registry *registry = nullptr;
    spa_hook coreListener{};
    spa_hook registryListener{};
    std::atomic<int> reading{static_cast<int>(SensorReading::unknown)};
    // Connected and not lost: a first answer may still be on its way, and
    // connecting again would only delay it.
    std::atomic<bool> alive{false};

    int pendingSync = 0;
    bool synced = false;
    bool lost = false;
    std::map<uint32_t, std::unique_ptr<VideoNode>> videoNodes;
    std::map<uint32_t, NodeOwner> nodeOwners;
    std::map<uint32_t, QByteArray> clientNames;
    std::map<uint32_t, Link> links;

    ~Connection()
    {
        if (!loop)
            return;
        pw_thread_loop_stop(loop);
        disconnect();
        if (context)
            pw_context_destroy(context);
        pw_thread_loop_destroy(loop);
    }

    // Drops the daemon connection and everything learnt through it. With
    // the loop locked or stopped.
    void disconnect()
    {
        for (auto &[id, node] : videoNodes) {
            spa_hook_remove(&node->listener);
            pw_proxy_destroy(node->proxy);
        }
        videoNodes.clear();
        nodeOwners.clear();
        clientNames.clear();
        links.clear();
        if (registry) {
            spa_hook_remove(&registryListener);
            pw_proxy_destroy(reinterpret_cast<pw_proxy *>(registry));
            registry = nullptr;
        }
        if (core) {
            spa_hook_remove(&coreListener);
            pw_core_disconnect(core);
            core = nullptr;
        }
        synced = false;
        lost = false;
        alive = false;
        pendingSync = 0;
        publish(SensorReading::unknown);
    }

    // Connects to the running daemon only: pw_context_connect never spawns
    // one (a socket-activated session daemon may start, as for any client).
    // With the loop locked.
    bool connect()
    {
        disconnect();
        core = pw_context_connect(context, nullptr, 0);
        if (!core)
            return false;
        static const pw_core_events coreEvents = {
            .version = PW_VERSION_CORE_EVENTS,
            .info = nullptr,
            .done = &Connection::onDone,
            .ping = nullptr,
            .error = &Connection::onError,
            .remove_id = nullptr,
            .bound_id = nullptr,
            .add_mem = nullptr,
            .remove_mem = nullptr,
        };
        static const pw_registry_events registryEvents = {
            .version = PW_VERSION_REGISTRY_EVENTS,
            .global = &Connection::onGlobal,
            .global_remove = &Connection::onGlobalRemove,
        };
        addCoreListener(core, &coreListener, &coreEvents, this);
        registry = coreRegistry(core);
        if (!registry)
            return false;
        addRegistryListener(registry, &registryListener, &registryEvents, this);
        requestSync();
        alive = true;
        return true;
    }

    void publish(SensorReading value) { reading.store(static_cast<int>(value)); }

    bool isShellConsumer(uint32_t nodeId) const
    {
        const auto owner = nodeOwners.find(nodeId);
        if (owner == nodeOwners.end())
            return false;
        if (PipeWireScreenCastRule::isDesktopShellConsumer(owner->second.applicationName)
            || PipeWireScreenCastRule::isDesktopShellConsumer(owner->second.nodeName))
            return true;
        const auto client = clientNames.find(owner->second.clientId);
        return client != clientNames.end() && PipeWireScreenCastRule::isDesktopShellConsumer(client->second);
    }

    bool inUse(const VideoNode &node) const
    {
        bool linked = false;
        for (const auto &[id, link] : links) {
            if (link.outputNode != node.id)
                continue;
            linked = true;
            if (!isShellConsumer(link.inputNode))
                return true;
        }
        // Linked only to the desktop's thumbnails: not shared, running or not.
        return !linked && node.running;
    }

    void evaluate()
    {
        if (lost || !synced)
            return;
        for (const auto &[id, node] : videoNodes)
            if (node->isCast && inUse(*node)) {
                publish(SensorReading::yes);
                return;
            }
        publish(SensorReading::no);
    }

    // Asks for a round trip; the answer comes after every reply to what was
    // asked before, so the view is complete once the latest one returns.
    void requestSync() { pendingSync = coreSync(core, pendingSync); }

    static void onDone(void *data, uint32_t id, int seq)
    {
        auto *self = static_cast<Connection *>(data);
        if (id != PW_ID_CORE || seq != self->pendingSync)
            return;
        self->synced = true;
        self->evaluate();
    }

    static void onError(void *data, uint32_t id, int, int res, const char *)
    {
        auto *self = static_cast<Connection *>(data);
        // Errors about single objects (a node gone before we bound it) do not
        // matter; a broken connection to the daemon does.
        if (id != PW_ID_CORE || (res != -EPIPE && res != -ECONNRESET && res != -ENOTCONN))
            return;
        self->lost = true;
        self->alive = false;
        self->publish(SensorReading::unknown);
    }

    static void onNodeInfo(void *data, const pw_node_info *info)
    {
        auto *node = static_cast<VideoNode *>(data);
        node->running = info->state == PW_NODE_STATE_RUNNING;
        if ((info->change_mask & PW_NODE_CHANGE_MASK_PROPS) && info->props) {
            PipeWireScreenCastRule::Properties properties;
            for (uint32_t i = 0; i < info->props->n_items; ++i)
                properties.insert(QByteArray(info->props->items[i].key), QByteArray(info->props->items[i].value));
            node->isCast = PipeWireScreenCastRule::isScreenCastNode(properties);
        }
        node->connection->evaluate();
    }

    static void onGlobal(void *data, uint32_t id, uint32_t, const char *type, uint32_t, const spa_dict *props)
    {
        auto *self = static_cast<Connection *>(data);
        if (spa_streq(type, PW_TYPE_INTERFACE_Node)) {
            self->nodeOwners[id] = NodeOwner{lookup(props, PW_KEY_APP_NAME), lookup(props, PW_KEY_NODE_NAME),
                                             lookupId(props, PW_KEY_CLIENT_ID)};
            if (PipeWireScreenCastRule::isVideoOutputClass(lookup(props, PW_KEY_MEDIA_CLASS)))
                self->bindVideoNode(id);
            self->evaluate();
        } else if (spa_streq(type, PW_TYPE_INTERFACE_Link)) {
            self->links[id] = Link{lookupId(props, PW_KEY_LINK_OUTPUT_NODE), lookupId(props, PW_KEY_LINK_INPUT_NODE)};
            self->evaluate();
        } else if (spa_streq(type, PW_TYPE_INTERFACE_Client)) {
            self->clientNames[id] = lookup(props, PW_KEY_APP_NAME);
        }
    }

    static void onGlobalRemove(void *data, uint32_t id)
    {
        auto *self = static_cast<Connection *>(data);
        if (const auto node = self->videoNodes.find(id); node != self->videoNodes.end()) {
            spa_hook_remove(&node->second->listener);
            pw_proxy_destroy(node->second->proxy);
            self->videoNodes.erase(node);
        }
        self->nodeOwners.erase(id);
        self->links.erase(id);
        self->clientNames.erase(id);
        self->evaluate();
    }

    void bindVideoNode(uint32_t id)
    {
        pw_proxy *proxy = bindNode(registry, id);
        if (!proxy)
            return;
        auto node = std::make_unique<VideoNode>();
        node->connection = this;
        node->id = id;
        node->proxy = proxy;
        static const pw_node_events events = {
            .version = PW_VERSION_NODE_EVENTS,
            .info = &Connection::onNodeInfo,
            .param = nullptr,
        };
        addNodeListener(proxy, &node->listener, &events, node.get());
        videoNodes[id] = std::move(node);
        // Until its properties arrive the node cannot be judged: the first
        // answer waits for them.
        if (!synced)
            requestSync();
    }
};

PipeWireScreenCastProbe::PipeWireScreenCastProbe(const Runtime &runtime)
    : m_runtime(runtime)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { pw_init(nullptr, nullptr); });
    connectToDaemon();
}

PipeWireScreenCastProbe::~PipeWireScreenCastProbe() = default;

void PipeWireScreenCastProbe::connectToDaemon()
{
    m_lastAttempt = m_runtime.monotonic();
    // The loop and context outlive a lost daemon; only the connection is
    // made again, so an attempt while none runs is one failed connect().
    if (!m_connection) {
        auto connection = std::make_unique<Connection>();
        connection->loop = pw_thread_loop_new("stirwell-pipewire", nullptr);
        if (!connection->loop)
            return;
        // Watching the registry needs only the native protocol: without a
        // configuration the context loads no other module (client.conf's
        // client-node, adapter, session manager and metadata modules cost
        // about a megabyte of memory and nothing here uses them).
        connection->context = pw_context_new(pw_thread_loop_get_loop(connection->loop),
                                             pw_properties_new(PW_KEY_CONFIG_NAME, "null", PW_KEY_APP_NAME,
                                                               "Stirwell", PW_KEY_APP_ID, "com.stirwell.app",
                                                               nullptr),
                                             0);
        if (!connection->context
            || !pw_context_load_module(connection->context, "libpipewire-module-protocol-native", nullptr, nullptr)
            || pw_thread_loop_start(connection->loop) < 0)
            return;
        m_connection = std::move(connection);
    }
    pw_thread_loop_lock(m_connection->loop);
    if (!m_connection->connect())
        m_connection->disconnect();
    pw_thread_loop_unlock(m_connection->loop);
}

SensorReading PipeWireScreenCastProbe::screenCastActive()
{
    const auto reading =
        m_connection ? static_cast<SensorReading>(m_connection->reading.load()) : SensorReading::unknown;
    if (reading == SensorReading::unknown && !(m_connection && m_connection->alive)
        && m_runtime.monotonic() - m_lastAttempt >= kReconnectSeconds)
        connectToDaemon();
    return reading;
}

} // namespace stirwell
