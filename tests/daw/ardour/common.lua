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

function show(tag)
  local insert = plugin_insert()
  local plug = insert:plugin(0)
  local line = tag
  for i = 1, plug:parameter_count() - 1 do
    local v, _ = ARDOUR.LuaAPI.get_plugin_insert_param(insert, i, false)
    line = line .. string.format(" %s=%.4f", plug:parameter_label(i), v)
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
