# The layers of the program, lowest first: each one's folder, then the
# layers it may use besides itself. The build links a layer's library with
# these alone (gallimaw_add_layer) and the include check
# (tests/include_layers.cmake) fails on any #include outside them.
set(GALLIMAW_LAYERS decoder gen dump ce res storage boot ui app device)
set(GALLIMAW_LAYER_decoder format)
set(GALLIMAW_LAYER_gen gen decoder)
set(GALLIMAW_LAYER_dump dump decoder)
set(GALLIMAW_LAYER_ce ce decoder)
set(GALLIMAW_LAYER_res res)
set(GALLIMAW_LAYER_storage store decoder ce)
set(GALLIMAW_LAYER_boot boot ce storage)
set(GALLIMAW_LAYER_ui ui boot storage decoder ce res)
set(GALLIMAW_LAYER_app app ui boot storage decoder ce res)
set(GALLIMAW_LAYER_device device ce storage decoder)
