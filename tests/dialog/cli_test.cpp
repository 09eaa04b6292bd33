// The cavix command end to end: drop, edit and assign-event on model files.
#include <gtest/gtest.h>
