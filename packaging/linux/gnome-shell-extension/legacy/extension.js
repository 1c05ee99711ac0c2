// Plivex's window into GNOME Shell's input sources, for GNOME Shell 43 and 44 (scripts loaded
// through `imports`). GNOME offers no public way to switch input sources since 41, so this
// extension exports one small D-Bus interface over the shell's own input-source manager:
//   List() -> a(ss)   each source's "type:id" and display name, in the shell's order
//   Current() -> i    the index of the active source, -1 when there is none
//   Activate(u) -> b  makes that source active, as the shell's own switcher does
//   signal Changed()  the list or the active source changed
// It owns the name org.plivex.InputSources only while enabled. It sees no key events.
/* exported init */
const { Gio } = imports.gi;
const Keyboard = imports.ui.status.keyboard;

const BUS_NAME = 'org.plivex.InputSources';
const OBJECT_PATH = '/org/plivex/InputSources';
const INTERFACE_XML = `
<node>
  <interface name="org.plivex.InputSources">
    <method name="List"><arg type="a(ss)" direction="out" name="sources"/></method>
    <method name="Current"><arg type="i" direction="out" name="index"/></method>
    <method name="Activate">
      <arg type="u" direction="in" name="index"/><arg type="b" direction="out" name="done"/>
    </method>
    <signal name="Changed"/>
  </interface>
</node>`;

class InputSourcesService {
    constructor(manager) {
        this._manager = manager;
    }

    _sources() {
        const sources = Object.values(this._manager.inputSources);
        return sources.sort((a, b) => a.index - b.index);
    }

    List() {
        return this._sources().map(source => [`${source.type}:${source.id}`, source.displayName]);
    }

    Current() {
        const current = this._manager.currentSource;
        return current ? this._sources().indexOf(current) : -1;
    }

    Activate(index) {
        const source = this._sources()[index];
        if (!source)
            return false;
        source.activate(true);
        return true;
    }
}

class Extension {
    enable() {
        const manager = Keyboard.getInputSourceManager();
        this._exported = Gio.DBusExportedObject.wrapJSObject(
            INTERFACE_XML, new InputSourcesService(manager));
        this._exported.export(Gio.DBus.session, OBJECT_PATH);
        const changed = () => this._exported.emit_signal('Changed', null);
        this._handlers = [
            manager.connect('sources-changed', changed),
            manager.connect('current-source-changed', changed),
        ];
        this._manager = manager;
        this._nameId = Gio.bus_own_name_on_connection(
            Gio.DBus.session, BUS_NAME, Gio.BusNameOwnerFlags.NONE, null, null);
    }

    disable() {
        Gio.bus_unown_name(this._nameId);
        this._handlers.forEach(id => this._manager.disconnect(id));
        this._exported.unexport();
        this._exported = null;
        this._manager = null;
    }
}

function init() {
    return new Extension();
}
