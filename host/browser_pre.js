// Start-up of the browser host, before main: the folder of the state file and the page's hooks.
//
// The state file lives in "/save", the game's working folder, kept in the page's IndexedDB: its
// saved content is read in before the game starts, and the host writes it back after every save
// (Module.zarnokSyncState). A page given a scenario script to play (Module.zarnokScript, the
// script's text) keeps its state in memory only and starts from none, as the scenario runner does.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  FS.mkdir('/save');
  var script = Module['zarnokScript'];
  if (typeof script == 'string') {
    FS.writeFile('/script.txt', script);
  } else {
    FS.mount(IDBFS, {}, '/save');
    addRunDependency('zarnok-state');
    FS.syncfs(true, function (err) {
      if (err) console.warn('zarnok: the saved state could not be read: ' + err);
      removeRunDependency('zarnok-state');
    });
  }
  FS.chdir('/save');
});

// Writes the state folder back to IndexedDB, one write at a time: a save during a write is
// written by another right after it. Module.zarnokStateWrites counts the finished writes.
Module['zarnokStateWrites'] = 0;
(function () {
  var busy = false, again = false;
  function write() {
    busy = true;
    again = false;
    FS.syncfs(false, function (err) {
      if (err) console.warn('zarnok: the state could not be saved: ' + err);
      Module['zarnokStateWrites']++;
      busy = false;
      if (again) write();
    });
  }
  Module['zarnokSyncState'] = function () {
    if (busy) again = true;
    else write();
  };
})();

// A hidden page gets no frames: the host hears of focus and visibility changes at once.
['blur', 'focus', 'visibilitychange', 'pagehide'].forEach(function (name) {
  window.addEventListener(name, function () {
    if (Module['calledRun'] && Module['_vx_browser_focus_changed']) Module['_vx_browser_focus_changed']();
  });
});

// Full screen left without the game's asking (the browser's own keys or controls): the host hears
// of it at the next frame (host/browser_game.cpp).
document.addEventListener('fullscreenchange', function () {
  if (!document.fullscreenElement && Module['zarnokFullscreen']) Module['zarnokFullscreenLost'] = 1;
});
