/* A video node for tests: a PipeWire output stream carrying the properties
 * given on the command line (key=value ...), optionally with a consumer
 * stream of our own linked to it so that the graph runs.
 *
 *   pipewire_test_node [--consume[=application name]] key=value ...
 *
 * Prints "ready <node id>" once the node is announced (and, with --consume,
 * linked), then runs until SIGTERM or SIGINT. Frames are blank. */

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>

#include <signal.h>
#include <stdio.h>
#include <string.h>

struct app {
    struct pw_main_loop *loop;
    struct pw_core *core;
    struct pw_stream *source;
    struct pw_stream *sink;
    struct spa_hook source_listener;
    struct spa_hook sink_listener;
    struct pw_proxy *link;
    int consume;
    const char *consumer_name;
    int announced;
};

static void maybe_link(struct app *app)
{
    uint32_t out = pw_stream_get_node_id(app->source);
    if (app->announced || out == SPA_ID_INVALID)
        return;
    if (!app->consume) {
        app->announced = 1;
        printf("ready %u\n", out);
        fflush(stdout);
        return;
    }
    uint32_t in = pw_stream_get_node_id(app->sink);
    if (in == SPA_ID_INVALID || app->link)
        return;
    char out_id[16], in_id[16];
    snprintf(out_id, sizeof(out_id), "%u", out);
    snprintf(in_id, sizeof(in_id), "%u", in);
    struct pw_properties *props = pw_properties_new(PW_KEY_LINK_OUTPUT_NODE, out_id, PW_KEY_LINK_INPUT_NODE, in_id,
                                                    PW_KEY_OBJECT_LINGER, "false", NULL);
    app->link = pw_core_create_object(app->core, "link-factory", PW_TYPE_INTERFACE_Link, PW_VERSION_LINK,
                                      &props->dict, 0);
    pw_properties_free(props);
    app->announced = 1;
    printf("ready %u\n", out);
    fflush(stdout);
}

static void on_state(void *data, enum pw_stream_state old, enum pw_stream_state state, const char *error)
{
    (void)old;
    struct app *app = data;
    if (state == PW_STREAM_STATE_ERROR) {
        fprintf(stderr, "pipewire_test_node: stream error: %s\n", error ? error : "?");
        pw_main_loop_quit(app->loop);
        return;
    }
    if (state == PW_STREAM_STATE_PAUSED || state == PW_STREAM_STATE_STREAMING)
        maybe_link(app);
}

static void on_source_process(void *data)
{
    struct app *app = data;
    struct pw_buffer *buffer = pw_stream_dequeue_buffer(app->source);
    if (!buffer)
        return;
    struct spa_data *d = &buffer->buffer->datas[0];
    if (d->data) {
        d->chunk->offset = 0;
        d->chunk->stride = 4 * 64;
        d->chunk->size = d->maxsize;
    }
    pw_stream_queue_buffer(app->source, buffer);
}

static void on_sink_process(void *data)
{
    struct app *app = data;
    struct pw_buffer *buffer = pw_stream_dequeue_buffer(app->sink);
    if (buffer)
        pw_stream_queue_buffer(app->sink, buffer);
}

static const struct pw_stream_events source_events = {
    PW_VERSION_STREAM_EVENTS,
    .state_changed = on_state,
    .process = on_source_process,
};

static const struct pw_stream_events sink_events = {
    PW_VERSION_STREAM_EVENTS,
    .state_changed = on_state,
    .process = on_sink_process,
};

static void on_signal(void *data, int signal_number)
{
    (void)signal_number;
    pw_main_loop_quit(((struct app *)data)->loop);
}

static const struct spa_pod *video_format(struct spa_pod_builder *b)
{
    return spa_pod_builder_add_object(
        b, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
        SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_Id(SPA_VIDEO_FORMAT_BGRx), SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&SPA_RECTANGLE(64, 48)),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&SPA_FRACTION(10, 1)));
}

int main(int argc, char *argv[])
{
    struct app app;
    memset(&app, 0, sizeof(app));
    pw_init(&argc, &argv);

    struct pw_properties *props = pw_properties_new(NULL, NULL);
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], "--consume", 9) == 0) {
            app.consume = 1;
            app.consumer_name = argv[i][9] == '=' ? argv[i] + 10 : "test-viewer";
            continue;
        }
        char *eq = strchr(argv[i], '=');
        if (!eq) {
            fprintf(stderr, "usage: pipewire_test_node [--consume] key=value ...\n");
            return 2;
        }
        *eq = '\0';
        pw_properties_set(props, argv[i], eq + 1);
    }

    app.loop = pw_main_loop_new(NULL);
    pw_loop_add_signal(pw_main_loop_get_loop(app.loop), SIGINT, on_signal, &app);
    pw_loop_add_signal(pw_main_loop_get_loop(app.loop), SIGTERM, on_signal, &app);
    struct pw_context *context = pw_context_new(pw_main_loop_get_loop(app.loop), NULL, 0);
    app.core = pw_context_connect(context, NULL, 0);
    if (!app.core) {
        fprintf(stderr, "pipewire_test_node: cannot connect\n");
        return 1;
    }

    const char *name = pw_properties_get(props, PW_KEY_MEDIA_NAME);
    app.source = pw_stream_new(app.core, name ? name : "test-video", props);
    pw_stream_add_listener(app.source, &app.source_listener, &source_events, &app);
    uint8_t buffer[1024];
    struct spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
    const struct spa_pod *params[1] = {video_format(&b)};
    pw_stream_connect(app.source, PW_DIRECTION_OUTPUT, PW_ID_ANY,
                      PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS, params, 1);

    if (app.consume) {
        app.sink = pw_stream_new(app.core, "test-viewer",
                                 pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                                   PW_KEY_APP_NAME, app.consumer_name, NULL));
        pw_stream_add_listener(app.sink, &app.sink_listener, &sink_events, &app);
        uint8_t sink_buffer[1024];
        struct spa_pod_builder sb = SPA_POD_BUILDER_INIT(sink_buffer, sizeof(sink_buffer));
        const struct spa_pod *sink_params[1] = {video_format(&sb)};
        pw_stream_connect(app.sink, PW_DIRECTION_INPUT, PW_ID_ANY, PW_STREAM_FLAG_MAP_BUFFERS, sink_params, 1);
    }

    pw_main_loop_run(app.loop);

    if (app.link)
        pw_proxy_destroy(app.link);
    if (app.sink)
        pw_stream_destroy(app.sink);
    pw_stream_destroy(app.source);
    pw_core_disconnect(app.core);
    pw_context_destroy(context);
    pw_main_loop_destroy(app.loop);
    pw_deinit();
    return 0;
}
