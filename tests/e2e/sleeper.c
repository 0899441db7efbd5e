/* Stands in for a product's program in the tests: it is copied under the product's
 * executable name, started, and only waits until something terminates it. */
#include <unistd.h>

int main(void) {
  for (;;) pause();
}
