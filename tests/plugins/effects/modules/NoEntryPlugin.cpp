// A shared library that is no filter plug-in.

extern "C" __attribute__((visibility("default"))) int effects_test_unrelated_function()
{
    return 42;
}
