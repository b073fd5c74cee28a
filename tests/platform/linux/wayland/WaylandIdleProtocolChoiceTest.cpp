// Which idle protocol the Wayland source uses, against a minimal compositor of
// our own (libwayland-server on a thread) that offers a seat and any
// combination of ext-idle-notify and KDE's org_kde_kwin_idle.
#include "platform/linux/wayland/WaylandIdleNotifySource.h"
#include "runtime/virtual/VirtualRuntime.h"

#include "support/QtPrinters.h"

#include "ext-idle-notify-v1-server-protocol.h"
#include "kde-idle-server-protocol.h"

#include <gtest/gtest.h>

#include <wayland-server.h>

#include <atomic>
#include <thread>

using namespace stirwell;

namespace {

void destroyResource(wl_client *, wl_resource *resource)
{
    wl_resource_destroy(resource);
}

void ignoreRequest(wl_client *, wl_resource *) {}

// Counts the notifications asked for, per protocol (on the compositor's
// thread; read by the test's).
struct Requests {
    std::atomic<int> ext = 0;
    std::atomic<int> kde = 0;
};

// "struct": the implementation type, not the interface table of the same name.
const struct ext_idle_notification_v1_interface extNotificationImpl = {&destroyResource};
const struct ext_idle_notifier_v1_interface extNotifierImpl = {
    &destroyResource,
    [](wl_client *client, wl_resource *notifier, uint32_t id, uint32_t, wl_resource *) {
        ++static_cast<Requests *>(wl_resource_get_user_data(notifier))->ext;
        wl_resource *notification = wl_resource_create(client, &ext_idle_notification_v1_interface, 1, id);
        wl_resource_set_implementation(notification, &extNotificationImpl, nullptr, nullptr);
    },
};
const struct org_kde_kwin_idle_timeout_interface kdeTimeoutImpl = {&destroyResource, &ignoreRequest};
const struct org_kde_kwin_idle_interface kdeIdleImpl = {
    [](wl_client *client, wl_resource *idle, uint32_t id, wl_resource *, uint32_t) {
        ++static_cast<Requests *>(wl_resource_get_user_data(idle))->kde;
        wl_resource *timeout = wl_resource_create(client, &org_kde_kwin_idle_timeout_interface, 1, id);
        wl_resource_set_implementation(timeout, &kdeTimeoutImpl, nullptr, nullptr);
    },
};
const struct wl_seat_interface seatImpl = {nullptr, nullptr, nullptr, &destroyResource};

// What a global hands out when a client binds it.
struct Global {
    const wl_interface *interface;
    const void *implementation;
    void *userData;
};

void bindGlobal(wl_client *client, void *data, uint32_t version, uint32_t id)
{
    const auto *global = static_cast<const Global *>(data);
    wl_resource *resource = wl_resource_create(client, global->interface, static_cast<int>(version), id);
    wl_resource_set_implementation(resource, global->implementation, global->userData, nullptr);
}

class FakeCompositor {
public:
    FakeCompositor(bool offerExt, bool offerKde)
        : m_display(wl_display_create())
    {
        wl_global_create(m_display, &wl_seat_interface, 1, &m_seat, &bindGlobal);
        if (offerExt)
            wl_global_create(m_display, &ext_idle_notifier_v1_interface, 1, &m_extNotifier, &bindGlobal);
        if (offerKde)
            wl_global_create(m_display, &org_kde_kwin_idle_interface, 1, &m_kdeIdle, &bindGlobal);
        const char *socket = wl_display_add_socket_auto(m_display);
        if (socket)
            m_socket = socket;
        m_thread = std::thread([this] { wl_display_run(m_display); });
    }

    ~FakeCompositor()
    {
        wl_display_terminate(m_display);
        m_thread.join();
        wl_display_destroy_clients(m_display);
        wl_display_destroy(m_display);
    }

    [[nodiscard]] const QByteArray &socket() const { return m_socket; }
    [[nodiscard]] const Requests &requests() const { return m_requests; }

private:
    Requests m_requests;
    Global m_seat{&wl_seat_interface, &seatImpl, nullptr};
    Global m_extNotifier{&ext_idle_notifier_v1_interface, &extNotifierImpl, &m_requests};
    Global m_kdeIdle{&org_kde_kwin_idle_interface, &kdeIdleImpl, &m_requests};
    wl_display *m_display;
    QByteArray m_socket;
    std::thread m_thread;
};

struct ChoiceCase {
    const char *label;
    bool offerExt;
    bool offerKde;
    bool works;
    const char *name;
    int extRequested;
    int kdeRequested;
};

class WaylandIdleProtocolChoice : public ::testing::TestWithParam<ChoiceCase> {
protected:
    void SetUp() override { m_savedDisplay = qgetenv("WAYLAND_DISPLAY"); }
    void TearDown() override
    {
        if (m_savedDisplay.isNull())
            qunsetenv("WAYLAND_DISPLAY");
        else
            qputenv("WAYLAND_DISPLAY", m_savedDisplay);
    }

private:
    QByteArray m_savedDisplay;
};

} // namespace

TEST_P(WaylandIdleProtocolChoice, BindsThePreferredProtocolOnOffer)
{
    const ChoiceCase &c = GetParam();
    FakeCompositor compositor(c.offerExt, c.offerKde);
    ASSERT_FALSE(compositor.socket().isEmpty()) << "no Wayland socket in $XDG_RUNTIME_DIR";
    qputenv("WAYLAND_DISPLAY", compositor.socket());

    VirtualRuntime runtime{0};
    {
        WaylandIdleNotifySource source(runtime);
        EXPECT_EQ(source.probe(), c.works);
        EXPECT_EQ(source.name(), QString::fromLatin1(c.name));
        EXPECT_EQ(source.idleSeconds(), c.works ? std::optional<double>(0.0) : std::nullopt);
        // A second probe answers the same without asking again.
        EXPECT_EQ(source.probe(), c.works);
    }
    EXPECT_EQ(compositor.requests().ext, c.extRequested);
    EXPECT_EQ(compositor.requests().kde, c.kdeRequested);
}

INSTANTIATE_TEST_SUITE_P(
    Offers, WaylandIdleProtocolChoice,
    ::testing::Values(ChoiceCase{"both", true, true, true, "wayland-ext-idle-notify", 1, 0},
                      ChoiceCase{"extOnly", true, false, true, "wayland-ext-idle-notify", 1, 0},
                      ChoiceCase{"kdeOnly", false, true, true, "wayland-kde-idle", 0, 1},
                      ChoiceCase{"neither", false, false, false, "wayland-idle", 0, 0}),
    [](const ::testing::TestParamInfo<ChoiceCase> &offer) { return std::string(offer.param.label); });
