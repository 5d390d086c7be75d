// Linked into the tests that run the real engine when the sanitizers are on.
// Libraries that the engine's plugins load allocate at load time and are
// unloaded with the engine; what they leave behind is traced back to the
// engine's core, which the leak suppressions name, only by a full unwind.
extern "C" const char *__asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}
