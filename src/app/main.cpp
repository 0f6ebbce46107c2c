#include "app/run_application.h"

int main(int argc, char* argv[]) { return lintrove::app::RunApplication(argc, argv); }
