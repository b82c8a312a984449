-- Shared by the session scripts: the session named by $SESSION_DIR / $SESSION_NAME, the
-- plug-in's insert on the "noise" bus, its values as Ardour reads them, and an export of
-- the first 20 s to $EXPORT_DIR (WAV at the session's rate, not normalized).
function open_session()
  AudioEngine:set_backend("None (Dummy)", "", "")
  local s = load_session(os.getenv("SESSION_DIR"), os.getenv("SESSION_NAME"))
  assert(s, "cannot open the session")
end

function plugin_insert()
  local route = Session:route_by_name("noise")
  for i = 0, 8 do
    local p = route:nth_plugin(i)
    if p:isnil() then break end
    if p:display_name() == "TavrikQuenmark" then return p:to_insert() end
  end
  error("no TavrikQuenmark on the noise bus")
end

-- The index of the parameter labelled `label`, as set/get_plugin_insert_param count them:
-- the n-th control of the plug-in. VST3 numbers its parameters from 0; LV2 counts control
-- ports only (the audio and atom ports come first, so port numbers differ).
function param(insert, label)
  local plug = insert:plugin(0)
  for n = 0, plug:parameter_count() - 1 do
    local port, refs = plug:nth_parameter(n, false)
    if not refs[2] then break end
    if plug:parameter_label(port) == label then return n end
  end
  error("no parameter '" .. label .. "'")
end

-- Every control with its value, as Ardour reads them: "tag Label=value ...".
function show(tag)
  local insert = plugin_insert()
  local plug = insert:plugin(0)
  local line = tag
  for n = 0, plug:parameter_count() - 1 do
    local port, refs = plug:nth_parameter(n, false)
    if not refs[2] then break end
    local v, _ = ARDOUR.LuaAPI.get_plugin_insert_param(insert, n, false)
    line = line .. string.format(" %s=%.4f", plug:parameter_label(port), v)
  end
  print(line)
end

function export(name)
  local e = Session:simple_export()
  e:set_folder(os.getenv("EXPORT_DIR"))
  e:set_name(name)
  assert(e:set_preset("75969a1c-3133-4694-864b-a1fa50e43348"), "no 'WAV @ session-rate' preset")
  e:set_range(0, 20 * 48000)
  assert(e:check_outputs(), "nothing to export")
  assert(e:run_export(), "export failed")
end
