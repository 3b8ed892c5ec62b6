// Compiled only by the layering tests: includes the header named by PROBE_HEADER from a library
// that links the layer given to it, and nothing else.
#include PROBE_HEADER
