# The files the package installs, relative to its prefix (/usr).
set(PACKAGE_FILES
  "lib/vst3/Zuriz.vst3/Contents/${ARCH}-linux/Zuriz.so"
  "lib/vst3/Zuriz.vst3/Contents/Resources/moduleinfo.json"
  "lib/vst3/Zuriz.vst3/Contents/Resources/Presets/Deep Bourdon.vstpreset"
  "share/vst3/presets/Velmo Music/Zuriz/Cathedral Carillon.vstpreset"
  "share/vst3/presets/Velmo Music/Zuriz/Meditation Bowl.vstpreset"
  "lib/lv2/Zuriz.lv2/zuriz_lv2.so"
  "lib/lv2/Zuriz.lv2/manifest.ttl"
  "lib/lv2/Zuriz.lv2/zuriz.ttl"
  "lib/lv2/Zuriz.lv2/presets.ttl"
  "lib/lv2/Zuriz.lv2/zuriz_lv2_ui.so"
  "lib/lv2/Zuriz.lv2/zuriz-webview"
  "lib/lv2/Zuriz.lv2/ui/index.html"
  "bin/zuriz-render"
  "share/doc/zuriz/copyright"
  "share/doc/zuriz/README")
