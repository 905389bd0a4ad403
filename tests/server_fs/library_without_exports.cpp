// A library that carries the image builder's file name but none of its exports.
extern "C" __attribute__((visibility("default"))) int unrelated_function()
{
    return 0;
}
