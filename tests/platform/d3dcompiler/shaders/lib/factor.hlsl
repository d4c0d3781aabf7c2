#define SCALE_FACTOR 2.0f
