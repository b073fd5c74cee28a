#include "platform/linux/x11/X11FullscreenProbe.h"

#include "PlatformWait.h"

#include <QProcess>
#include <QStandardPaths>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

using namespace stirwell;
using stirwell::test::waitUntil;

namespace {

// The test's own X client: one top-level window under openbox, driven
// through the window manager as a pager would (EWMH client messages).
class X11FullscreenProbeTest : public ::testing::Test {
protected:
    QProcess windowManager;
    xcb_connection_t *c = nullptr;
    xcb_screen_t *screen = nullptr;
    xcb_window_t window = 0;

    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "no X display (run under scripts/with-test-env.sh)";
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (openbox.isEmpty())
            GTEST_SKIP() << "openbox is not installed";
        c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c))
            GTEST_SKIP() << "cannot connect to the X display";
        screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        windowManager.setStandardOutputFile(QProcess::nullDevice());
        windowManager.setStandardErrorFile(QProcess::nullDevice());
        windowManager.start(openbox, {QStringLiteral("--replace"), QStringLiteral("--sm-disable")});
        if (!windowManager.waitForStarted(3000))
            GTEST_SKIP() << "openbox did not start";
        if (!waitUntil([&] { return property(screen->root, "_NET_SUPPORTING_WM_CHECK") != 0; }))
            GTEST_SKIP() << "openbox did not take the screen";
    }

    void TearDown() override
    {
        if (c) {
            if (window)
                xcb_destroy_window(c, window);
            xcb_disconnect(c);
        }
        if (windowManager.state() != QProcess::NotRunning) {
            windowManager.terminate();
            if (!windowManager.waitForFinished(3000))
                windowManager.kill();
        }
    }

    xcb_atom_t atom(const char *name)
    {
        auto *reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return result;
    }

    uint32_t property(xcb_window_t on, const char *name)
    {
        auto *reply = xcb_get_property_reply(c, xcb_get_property(c, 0, on, atom(name), XCB_ATOM_ANY, 0, 1), nullptr);
        uint32_t value = 0;
        if (reply && xcb_get_property_value_length(reply) >= 4)
            std::memcpy(&value, xcb_get_property_value(reply), 4);
        std::free(reply);
        return value;
    }

    void clientMessage(const char *type, std::initializer_list<uint32_t> data)
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom(type);
        int i = 0;
        for (uint32_t value : data)
            event.data.data32[i++] = value;
        xcb_send_event(c, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&event));
        xcb_flush(c);
    }

    void openWindow(uint16_t width, uint16_t height)
    {
        window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, width, height, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(c, window);
        xcb_flush(c);
        ASSERT_TRUE(waitUntil([&] {
            clientMessage("_NET_ACTIVE_WINDOW", {2, XCB_CURRENT_TIME, 0});
            return property(screen->root, "_NET_ACTIVE_WINDOW") == window;
        })) << "the window never became active";
    }

    void setFullscreen(bool on)
    {
        clientMessage("_NET_WM_STATE", {on ? 1u : 0u, atom("_NET_WM_STATE_FULLSCREEN"), 0, 1});
    }
};

TEST_F(X11FullscreenProbeTest, AnActiveWindowMadeFullScreenCoversThePrimaryMonitor)
{
    X11FullscreenProbe probe(QString(), false);
    EXPECT_EQ(probe.backendName(), QStringLiteral("X11 EWMH"));
    EXPECT_EQ(probe.frontmostFullscreen(), SensorReading::no);

    openWindow(400, 300);
    EXPECT_EQ(probe.frontmostFullscreen(), SensorReading::no);

    setFullscreen(true);
    EXPECT_TRUE(waitUntil([&] { return probe.frontmostFullscreen() == SensorReading::yes; }));

    // One pixel narrower than the screen is not full screen.
    setFullscreen(false);
    const uint32_t geometry[] = {0, 0, uint32_t(screen->width_in_pixels - 1), screen->height_in_pixels};
    xcb_configure_window(c, window,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         geometry);
    xcb_flush(c);
    EXPECT_TRUE(waitUntil([&] { return probe.frontmostFullscreen() == SensorReading::no; }));
}

TEST_F(X11FullscreenProbeTest, UnderWaylandOnlyAFullScreenXWindowIsAnAnswer)
{
    X11FullscreenProbe probe(QString(), true);
    openWindow(400, 300);
    EXPECT_EQ(probe.frontmostFullscreen(), SensorReading::unknown);
    setFullscreen(true);
    EXPECT_TRUE(waitUntil([&] { return probe.frontmostFullscreen() == SensorReading::yes; }));
}

TEST(X11FullscreenProbeWithoutDisplay, IsUnknown)
{
    X11FullscreenProbe probe(QStringLiteral(":4711"), false);
    EXPECT_EQ(probe.frontmostFullscreen(), SensorReading::unknown);
    EXPECT_EQ(probe.backendName(), QStringLiteral("none"));
}

} // namespace
