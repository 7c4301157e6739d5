#include "rezizezevud_cmd/orrinremotecmd_application.h"

int main(int argc, char** argv) {
  RezizEzevudCmdApplication application;
  return application.run(argc, argv);
}
