// Program entry of the kestra converter: hands the command line to the run driver.
#include "conv72.h"

int main(int argc, char **argv) {
    return kestra_main(argc, argv);
}
