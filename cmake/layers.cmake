# The layers of the program, bottom up: each source folder under src/ and the folders below it
# that it may include and link. This table is the one place the layering is written down: each
# folder's library links exactly these (cmake/kolvar.cmake), and the layer check
# (cmake/check_layers.cmake, a test) fails on an include that points anywhere else. A new folder
# is one more line here, above the folders that use it; a folder named here that does not exist
# (yet) is passed over.
macro(kolvar_layer folder)
  list(APPEND KOLVAR_LAYERS ${folder})
  set(KOLVAR_LAYER_DEPS_${folder} ${ARGN})
endmacro()

set(KOLVAR_LAYERS)
kolvar_layer(runtime)
kolvar_layer(geometry)
kolvar_layer(bsp         geometry runtime)
kolvar_layer(graphics    geometry runtime)
kolvar_layer(graphics/qt graphics geometry runtime)
kolvar_layer(guiruntime  graphics runtime)
kolvar_layer(diagram     bsp graphics geometry runtime)
kolvar_layer(scenes      bsp geometry runtime)
kolvar_layer(views       diagram scenes bsp guiruntime graphics geometry runtime)
kolvar_layer(app         views guiruntime graphics diagram scenes bsp geometry runtime)

# The executable on top of everything: the process entry and the platform glue of src/app (which
# the app library leaves out), and the tests of the whole program on the Qt backend. It may
# include what app may, app itself and the Qt backend.
set(KOLVAR_PROGRAM_FILES "^src/app/(main|platform_[a-z]+)\\.cpp$" "^tests/app_qt/")
set(KOLVAR_LAYER_DEPS_program app graphics/qt ${KOLVAR_LAYER_DEPS_app})
