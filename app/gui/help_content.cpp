// The help text, its contents and its index.
#include <iterator>

#include "help_window.hpp"

namespace quorvel::gui {

namespace {

const char* const kHelpText = R"HTML(
<html><body style="font-family: sans-serif;">

<h1><a name="intro"></a>Quorvel</h1>
<p>Quorvel translates Ordnance Survey map data delivered in NTF (National Transfer
Format) into MapInfo Interchange Format. Each NTF file holds one map tile. Quorvel
writes a MIF file with the map objects and their styles, and a MID file beside it with
one row of attributes per object. Open the MIF file in MapInfo (<i>Table &gt; Import</i>)
or in any program that reads MIF/MID, such as QGIS.</p>

<h2><a name="translate"></a>Translating NTF files</h2>
<ol>
<li>Click <b>Select File(s)...</b> and choose one or more NTF files. You can pick
several files at once by holding Ctrl or Shift. The files are listed in alphabetical
order and the number of files is shown beside <b>Files selected</b>.</li>
<li>Check the name in the <b>MIF file</b> box. Quorvel proposes a name made from the
first file in the list. Type another name, or click <b>Change...</b> to choose the
folder and name in a dialog.</li>
<li>With several files, choose <b>Merge tiles</b> or <b>Separate tiles</b> (see
<a href="#output">Output options</a>).</li>
<li>Tick <b>Extract</b> under <b>Network data</b> if you want the road network file
(see <a href="#network">Network data</a>).</li>
<li>Click <b>Options</b> to choose how text and symbols are translated and which
features are written (see <a href="#options">Options</a>).</li>
<li>Click <b>Translate</b>.</li>
</ol>
<p>While Quorvel works, the line at the top of the window says which tile it is
translating, the counters show the NTF records read and the objects created, and the
progress bar shows how far through the current file it is. When all files are done the
top line reads <i>Translation complete</i>.</p>

<h3><a name="during"></a>During a translation</h3>
<p>You can still open Help, the About box and the Options while a translation runs.
While the Options dialog (or the About box) is open, the translation waits; it goes on
when you close the dialog. A run takes its options when it starts: while it runs, the
Options show them but cannot be changed (only the default folder can); a change applies
to the next translation.</p>
<p>If you close the window during a translation, Quorvel asks first. When you answer
Yes it stops after the record it is working on and ends. Output sets finished before the
stop stay; the set being written is not put in place, and earlier files of its name stay
as they were.</p>

<h3><a name="messages"></a>Messages</h3>
<ul>
<li><b>No NTF files have been selected!</b> Select files before clicking Translate.</li>
<li><b>Unable to open MIF file - path and/or folder does not exist!</b> The output
files could not be created. Check that the folder in the MIF name exists and that you
may write to it. The translation stops.</li>
<li><b>Unable to open NTF file:</b> The file named could not be read. It is skipped and
the other files are still translated.</li>
<li><b>Error reading NTF file at line</b> The file is damaged at the line given. What was
translated before that line is kept; the rest of that file is skipped.</li>
<li><b>Error closing file(s).</b> or <b>Error writing file</b> The output could not be
written completely, for example because the disk is full. The translation stops.</li>
<li>A file that is not one of the products listed under <a href="#products">Products</a>
is not translated, and a message names it.</li>
</ul>

<h2><a name="output"></a>Output options and file names</h2>
<p>With one NTF file, the output is written to the name in the <b>MIF file</b> box. If
the box is empty, the NTF file's name is used with <i>.mif</i> in place of
<i>.ntf</i>. A name typed without <i>.mif</i> at the end gets it added.</p>
<p><b>Merge tiles</b> writes all selected files into one set of output files, named by
the <b>MIF file</b> box; the proposed name is the first file's name followed by
<i>etc.mif</i>. The tiles must be of the same product: a tile of another product
cannot share the files and is skipped with a message.</p>
<p><b>Separate tiles</b> writes one set of output files for each NTF file, named after
it: <i>SK12.ntf</i> gives <i>SK12.mif</i> and <i>SK12.mid</i>. The <b>MIF file</b> box
then shows <i>&lt;Auto name&gt;</i>.</p>

<h3><a name="files"></a>The files written</h3>
<p>All names come from the MIF name, say <i>NAME.mif</i>:</p>
<table border="1" cellpadding="3" cellspacing="0">
<tr><th>File</th><th>What it holds</th></tr>
<tr><td>NAME.mif, NAME.mid</td><td>The map objects and their attribute rows.</td></tr>
<tr><td>NAME_Text.mif, NAME_Text.mid</td><td>Map text (names and labels), when the text
option is <b>Separate</b>.</td></tr>
<tr><td>NAME_Network.txt</td><td>Road network nodes of Meridian 2 and Strategi, when
<b>Extract</b> is ticked.</td></tr>
<tr><td>NAME_poly.mif, NAME_poly.mid</td><td>Boundary-Line areas (regions).</td></tr>
<tr><td>NAME_pline.mif, NAME_pline.mid</td><td>Boundary-Line boundary lines.</td></tr>
</table>
<p>A file that would hold nothing is not left behind. Existing files of the same names
are replaced.</p>

<h2><a name="options"></a>Options</h2>
<p>Click <b>Options</b> in the main window. Every choice takes effect the moment you
click it; <b>Close</b> closes the dialog. The options last until Quorvel is closed;
only the default folder is remembered for the next time.</p>

<h3><a name="textoptions"></a>Text object options</h3>
<ul>
<li><b>Include</b>: text objects go into the main MIF file with the other objects.</li>
<li><b>Separate</b> (the starting choice): text objects go into their own pair of
files, NAME_Text.mif and NAME_Text.mid, so that you can show or hide the text as a
layer of its own.</li>
<li><b>Ignore</b>: no text objects are written.</li>
</ul>

<h3><a name="symbols"></a>Symbol options</h3>
<p><b>True-type fonts</b> (the starting choice) draws Land-Line and Strategi point
symbols with MapInfo's TrueType symbol fonts, such as <i>MapInfo Cartographic</i>.
<b>Standard fonts</b> uses MapInfo's original symbol set, for older versions of
MapInfo. The choice in force when you click Translate holds for the whole run.</p>

<h3><a name="landline"></a>Land-Line features</h3>
<p>Land-Line data holds many kinds of line and point features. Untick a feature to
leave it out of the output; <b>Check all</b> and <b>Uncheck all</b> set every box at
once. Map text is never left out by these boxes: use the text options for text.</p>

<h3><a name="heights"></a>Meridian heights</h3>
<p>Meridian 2 gridded heights are points. They are always written, so that you can
query them or make a grid thematic map from them, but they are drawn invisibly unless
<b>Show height symbols</b> is ticked, when they appear as grey crosses.</p>

<h3><a name="strategi"></a>Strategi layers</h3>
<p>Strategi features belong to layers: 1 roads, railways, airports and ferries; 2 water;
3 settlements; 4 ceremonial boundaries; 5 woods and land use; 6 tourist information;
7 grid lines; 8 spot heights. Untick a layer to leave its features out. Geographic
names are layer 9 and follow the text options.</p>

<h3><a name="defaultfolder"></a>Default folder</h3>
<p>The default folder is where the file dialogs start. Click <b>Default folder</b> in
the Options dialog, choose the volume under <b>Drive</b> and the folder in the tree,
and click <b>Set as Default</b>. <b>Cancel</b> leaves the default folder as it was.
Quorvel remembers the folder in the file <i>quorvel/quorvel.ini</i> in your
configuration folder (usually <i>~/.config</i>).</p>

<h2><a name="network"></a>Network data</h2>
<p>With <b>Extract</b> ticked, Quorvel writes the road network of Meridian 2 and
Strategi tiles to NAME_Network.txt: one comma-separated line per network node, with
the tile name, the node and up to nine links meeting there with their directions and
levels. The first line names the columns. Load it into a spreadsheet or database to
rebuild the road network.</p>

<h2><a name="products"></a>Products</h2>
<p>Quorvel recognises the product from the header of each NTF file.</p>
<ul>
<li><a name="p-landline"></a><b>Land-Line</b>: large-scale line detail (buildings,
fences, road edges, boundaries), point symbols and map text.</li>
<li><a name="p-meridian"></a><b>Meridian 2</b>: roads with their road numbers and
classes, railways, boundaries, water, woodland, names and gridded heights. Meridian 1
data is not translated: a message says so.</li>
<li><a name="p-strategi"></a><b>Strategi</b>: small-scale roads, water, settlements,
boundaries, land use, tourist information, grid lines, spot heights and names, in the
layers described under <a href="#strategi">Strategi layers</a>.</li>
<li><a name="p-boundary"></a><b>Boundary-Line</b>: administrative areas, rebuilt as
regions from their boundary lines, written to NAME_poly and NAME_pline.</li>
<li><a name="p-oscar"></a><b>OSCAR Asset-Manager and OSCAR Traffic-Manager</b>: road
links and nodes with their attributes.</li>
<li><a name="p-codepoint"></a><b>Code-Point</b>: one point per postcode unit with its
postcode and delivery point counts.</li>
<li><a name="p-landform"></a><b>Land-Form PANORAMA and Land-Form PROFILE</b>: height
grids (one point per grid node with its height) and contours with spot heights.</li>
</ul>
<p>All coordinates are British National Grid metres; the MIF files say so in their
header, so MapInfo places them correctly.</p>

</body></html>
)HTML";

const HelpTopic kTopics[] = {
    {"intro", "Quorvel", 0},
    {"translate", "Translating NTF files", 0},
    {"during", "During a translation", 1},
    {"messages", "Messages", 1},
    {"output", "Output options and file names", 0},
    {"files", "The files written", 1},
    {"options", "Options", 0},
    {"textoptions", "Text object options", 1},
    {"symbols", "Symbol options", 1},
    {"landline", "Land-Line features", 1},
    {"heights", "Meridian heights", 1},
    {"strategi", "Strategi layers", 1},
    {"defaultfolder", "Default folder", 1},
    {"network", "Network data", 0},
    {"products", "Products", 0},
};

const HelpIndexEntry kIndex[] = {
    {"Boundary-Line", "p-boundary"},
    {"Cancel a translation", "during"},
    {"Check all", "landline"},
    {"Close during a translation", "during"},
    {"Code-Point", "p-codepoint"},
    {"Default folder", "defaultfolder"},
    {"Drive", "defaultfolder"},
    {"Error messages", "messages"},
    {"Extract network data", "network"},
    {"File names", "files"},
    {"Grid lines", "strategi"},
    {"Heights, Meridian 2", "heights"},
    {"Ignore text", "textoptions"},
    {"Include text", "textoptions"},
    {"INI file", "defaultfolder"},
    {"Land-Form PANORAMA", "p-landform"},
    {"Land-Form PROFILE", "p-landform"},
    {"Land-Line", "p-landline"},
    {"Land-Line features", "landline"},
    {"Layers, Strategi", "strategi"},
    {"Merge tiles", "output"},
    {"Meridian 1", "p-meridian"},
    {"Meridian 2", "p-meridian"},
    {"MID file", "files"},
    {"MIF file", "files"},
    {"Network data", "network"},
    {"NTF files, selecting", "translate"},
    {"Options", "options"},
    {"OSCAR", "p-oscar"},
    {"Products", "products"},
    {"Progress", "translate"},
    {"Separate text", "textoptions"},
    {"Separate tiles", "output"},
    {"Standard fonts", "symbols"},
    {"Strategi", "p-strategi"},
    {"Symbols", "symbols"},
    {"Text objects", "textoptions"},
    {"Translate", "translate"},
    {"TrueType fonts", "symbols"},
    {"Uncheck all", "landline"},
    {"_Network.txt", "network"},
    {"_poly and _pline files", "files"},
    {"_Text files", "files"},
};

}  // namespace

const char* HelpText() { return kHelpText; }

const HelpTopic* HelpTopics(int* count) {
  *count = static_cast<int>(std::size(kTopics));
  return kTopics;
}

const HelpIndexEntry* HelpIndex(int* count) {
  *count = static_cast<int>(std::size(kIndex));
  return kIndex;
}

}  // namespace quorvel::gui
