#include "app/app_main.h"

int main(int argc, char** argv) { return vexo::gf_appEntry(argc, argv); }
