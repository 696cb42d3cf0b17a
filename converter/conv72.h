// Run driver of the converter: one whole conversion run from a command line.
#pragma once

// Runs one conversion as the command line says and returns the exit status.
int kestra_main(int argc, char **argv);
