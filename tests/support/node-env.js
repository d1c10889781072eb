// Linked into the web build's tests: under node they see the environment
// ctest gives them (screenshot folders, longer runs), where emscripten's C
// library would start from a fixed one.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  // ENV exists only where the program reads its environment.
  if (typeof ENV === 'object' && typeof process === 'object') Object.assign(ENV, process.env);
});
