# cmake -DQUENMARK=<quenmark> -DPROGRAMME=<quenmark-programme> -DVST3=<bundle> -DCLAP=<.clap>
#       -DWORK=<dir> -P QuenmarkSameSamples.cmake
# quenmark normalizes one programme through the VST3 bundle and through the CLAP library,
# in both modes: the files it writes are the same, byte for byte.
# EMULATOR (|-separated) runs the programmes of a cross build (Wine).
string(REPLACE "|" ";" emulator "${EMULATOR}")
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(input ${WORK}/programme.wav)
execute_process(COMMAND ${emulator} ${PROGRAMME} ${input} 6 RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the programme could not be written")
endif()
foreach(mode standard continuous)
  foreach(format vst3 clap)
    if(format STREQUAL "vst3")
      set(plugin ${VST3})
    else()
      set(plugin ${CLAP})
    endif()
    execute_process(COMMAND ${emulator} ${QUENMARK} normalize ${input} ${WORK}/${mode}-${format}.wav --plugin ${plugin} --mode ${mode}
      RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "quenmark through ${plugin} failed (${rc}):\n${out}${err}")
    endif()
    message(STATUS "${format} ${mode}: ${out}")
  endforeach()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${mode}-vst3.wav ${WORK}/${mode}-clap.wav
    RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "${mode} mode: the CLAP library wrote other samples than the VST3 bundle")
  endif()
endforeach()
