// A recording client for the microphone sensor's tests: records from the
// source given as the first argument, started corked ("corked" as the second
// argument) or running, until killed.
#include <pulse/pulseaudio.h>

#include <cstdio>
#include <cstring>

namespace {
const char *g_device = nullptr;
bool g_corked = false;

void onState(pa_context *context, void *)
{
    if (pa_context_get_state(context) != PA_CONTEXT_READY)
        return;
    const pa_sample_spec spec{PA_SAMPLE_S16LE, 44100, 1};
    pa_stream *stream = pa_stream_new(context, "test recording", &spec, nullptr);
    const auto flags = g_corked ? PA_STREAM_START_CORKED : PA_STREAM_NOFLAGS;
    if (!stream || pa_stream_connect_record(stream, g_device, nullptr, flags) < 0)
        std::fprintf(stderr, "cannot record\n");
}
} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    g_device = argv[1];
    g_corked = argc > 2 && std::strcmp(argv[2], "corked") == 0;
    pa_mainloop *loop = pa_mainloop_new();
    pa_context *context = pa_context_new(pa_mainloop_get_api(loop), "pulse-test-recorder");
    pa_context_set_state_callback(context, &onState, nullptr);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return 1;
    int result = 0;
    pa_mainloop_run(loop, &result);
    return result;
}
