# One fuzz_<name>.cpp and one corpus/<name>/ folder each.
set(QORN_FUZZ_TARGETS pcx pict qrd list_input symbol palette icon_dir undo motif_icon)
