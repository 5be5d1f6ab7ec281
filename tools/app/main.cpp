// ymcko-app: the card printer as an IPP Everywhere printer application.
#include "app/app.h"

int main(int argc, char* argv[]) { return ymcko::app::run(argc, argv); }
