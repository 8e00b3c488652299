# Writes glTF and GLB outputs of a few runs and has the Khronos glTF validator check them: no
# error and no warning. Run by CTest with -DZELKOR=<zelkor> -DROOT=<source> -DNODE=<node> -DOUT=<folder>.
set(clients ${ROOT}/tests/clients)
if(NOT EXISTS ${clients}/node_modules/gltf-validator)
  message(FATAL_ERROR "the glTF validator is not installed: run scripts/setup.sh (npm ci in tests/clients)")
endif()
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
set(examples ${ROOT}/examples)
# One run per line, its arguments separated by |.
set(runs
  "--target|${examples}/terrain.lwo|--template|${examples}/rock.lwo|-o|${OUT}/jittered.glb|--set|jitter=0.1|--set|num_clones=50"
  "--target|${examples}/dunes.lwo|--template|${examples}/rock.lwo|-o|${OUT}/dunes.gltf|--set|density_wg=Hollows"
  "--target|${OUT}/jittered.glb|--template|${examples}/rock.lwo|-o|${OUT}/from_glb.glb|--set|num_clones=5"
  "--target|${ROOT}/../shared/meshes/lwo/box4-uv-layers.lwo|--template|${examples}/rock.lwo|-o|${OUT}/uv_layers.glb"
  "--target|${examples}/dunes.lwo|--template|${examples}/rock.lwo|-o|${OUT}/gpu.glb|--instances|gpu|--set|H_align=1|--set|size_wg=Crests"
  "--target|${examples}/terrain.lwo|--template|${ROOT}/../shared/meshes/lwo/box4-uv-layers.lwo|-o|${OUT}/nodes.gltf|--instances|nodes|--set|num_clones=20")
foreach(line IN LISTS runs)
  string(REPLACE "|" ";" run "${line}")
  execute_process(COMMAND ${ZELKOR} -q --session-seed 1 ${run} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "zelkor ${line} failed: ${status}")
  endif()
endforeach()
file(GLOB written ${OUT}/*.glb ${OUT}/*.gltf)
execute_process(COMMAND ${NODE} ${clients}/validate_gltf.mjs ${written} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the glTF validator found errors or warnings")
endif()
