// Program entry of the kestra converter: hands the command line to the run driver and turns
// a completed run that failed to convert into exit status 2, so that a script can tell it
// from a success (kestra-batch calls the run driver itself and keeps status 0 for it).
#include "conv72.h"
#include "convstate.h"

int main(int argc, char **argv) {
    conversion_state_untouched();
    const int status = kestra_main(argc, argv);
    if (status == 0 && conv_error != 0)
        return 2;
    return status;
}
