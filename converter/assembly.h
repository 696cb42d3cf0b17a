// Assembly of a unit's output onto the output script (tmpFile), from the work files that
// open_tmp_files (output.h) opened.
#pragma once

// Assembles the unit onto tmpFile: head, package specification, parameter list, return type,
// local copies of assigned input arguments, declarations, the body with its markers replaced,
// "show errors;" and the support functions the unit calls; then closes the unit's log and work
// files. A deferred open of the log that failed stops the run (status 1) before the assembly.
void close_tmp_files();
