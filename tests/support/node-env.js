// Linked into the web build's tests: under node they see the environment
// ctest gives them (screenshot folders, longer runs), where emscripten's C
// library would start from a fixed one.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  // ENV exists only where the program reads its environment.
  if (typeof ENV === 'object' && typeof process === 'object') Object.assign(ENV, process.env);
});
// emscripten 3.1.6 makes dup2 by opening the descriptor's path again with its
// first flags: GoogleTest's stderr capture file, made by mkstemp with O_EXCL,
// then fails with "File exists" and the capture stays empty. A duplicate
// must neither fail on an existing file nor empty it: those two flags go.
Module['preRun'].push(function () {
  if (typeof SYSCALLS !== 'object' || typeof SYSCALLS.doDup !== 'function') return;
  var O_EXCL = 128;
  var O_TRUNC = 512;
  var doDup = SYSCALLS.doDup;
  SYSCALLS.doDup = function (path, flags, fd) {
    return doDup(path, flags & ~(O_EXCL | O_TRUNC), fd);
  };
});
