-- A new session: a bus of pink noise at about -27.4 LUFS into the plug-in.
AudioEngine:set_backend("None (Dummy)", "", "")
assert(create_session(os.getenv("SESSION_DIR"), os.getenv("SESSION_NAME"), 48000), "cannot create the session")
local route = Session:new_audio_route(2, 2, nil, 1, "noise", ARDOUR.PresentationInfo.Flag.AudioBus,
                                      ARDOUR.PresentationInfo.max_order):front()
local noise = ARDOUR.LuaAPI.new_luaproc(Session, "ACE Noise")
assert(not noise:isnil(), "no ACE Noise")
route:add_processor_by_index(noise, 0, nil, true)
ARDOUR.LuaAPI.set_processor_param(noise, 0, -27) -- level
ARDOUR.LuaAPI.set_processor_param(noise, 1, 2)   -- pink
-- $FORMAT picks the bundle: VST3 by its class ID (found by ardour-vst3-scanner), LV2 by
-- its URI (found on $LV2_PATH).
local plugin
if os.getenv("FORMAT") == "LV2" then
  plugin = ARDOUR.LuaAPI.new_plugin(Session, "https://tavrik.example/lv2/quenmark", ARDOUR.PluginType.LV2, "")
  assert(not plugin:isnil(), "TavrikQuenmark not found: is TavrikQuenmark.lv2 in a folder of LV2_PATH?")
else
  plugin = ARDOUR.LuaAPI.new_plugin(Session, "F2AEE70D00DE4F4E5476726B516E6D6B", ARDOUR.PluginType.VST3, "")
  assert(not plugin:isnil(), "TavrikQuenmark not found: run ardour-vst3-scanner on the bundle")
end
route:add_processor_by_index(plugin, 1, nil, true)
Session:save_state("", false, false, false, false, false)
close_session()
