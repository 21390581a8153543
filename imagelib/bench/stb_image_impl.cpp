// The stb_image decoder the benchmark compares against, compiled here with the same
// compiler and optimisation as the library.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
