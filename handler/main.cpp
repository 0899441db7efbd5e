#include "handler/run.h"

int main(int argc, char **argv) {
  return ovr::RunHandler(argc, argv);
}
